#include "app/window_form.hpp"

#include "files/record_header.hpp"
#include "report/record_form_steps.hpp"
#include "sheet/sheet.hpp"
#include "window/window.hpp"
#include "window/window_gauging.hpp"

#include <string>

namespace tarnelo {

FormSheet windowForm(const Window& window) {
    FormSheet form;
    form.mode = selectedMode(window);
    form.table = tableOf(window.sheet());
    form.signalsPerRevolution = window.text(ctl::信号转数编辑框);
    for (std::size_t i = 0; i < kResultCount; ++i) {
        form.results[i] = window.text(ctl::kResultFields[i]);
    }
    form.header = parseRecordHeader(window.recordHeader());
    form.threePoint = window.threePointRule();
    return form;
}

std::vector<Finding> checkWindow(const Window& window) {
    CheckOptions options;
    options.stationClass = window.stationClass();
    return checkMeasurement(gaugingOf(window), tableOf(window.sheet()), window.text(ctl::断面流量),
                            options);
}

FormContext formContextOf(Window& window) {
    FormContext context;
    context.programFolder = window.programFolder();
    context.documentFolder = window.documentFolder();
    context.progress = [&window](int value) { window.setProgress(value); };
    context.pause = [&window](int milliseconds) { window.pause(milliseconds); };
    context.status = [&window](std::string_view text) { window.setStatus(text); };
    return context;
}

FormOutcome exportCommand(Window& window) {
    return exportComputedForm(window, formContextOf(window), windowForm(window),
                              checkWindow(window));
}

FormOutcome printCommand(Window& window, const sys::KeepWaiting& keepWaiting) {
    return printComputedForm(window, formContextOf(window), windowForm(window), checkWindow(window),
                             keepWaiting);
}

pages::FormPages windowFormPages(Window& window, std::string_view verb) {
    return pages::formPages(window, formContextOf(window), windowForm(window), checkWindow(window),
                            verb);
}

} // namespace tarnelo
