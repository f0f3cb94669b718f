// The record form when something is wrong with its inputs: a damaged template, a zip bomb in
// the template's place, a text longer than a spreadsheet cell holds. Each is named as what it
// is, quickly, and nothing is exported.
#include "compute/compute.hpp"
#include "files/file_io.hpp"
#include "files/record_header.hpp"
#include "report/record_form.hpp"
#include "support/form_folder.hpp"
#include "support/scripted_dialogs.hpp"
#include "support/typed_gauging.hpp"
#include "window/program_paths.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

namespace tarnelo {
namespace {

namespace fs = std::filesystem;

class FormFaults : public ::testing::Test {
  protected:
    // The worked example's form, exported under that name.
    FormOutcome exportTo(const std::string& name) {
        user.answerFileDialog(ctl::通用对话框excel, folder.path() / "excel" / name);
        return exportComputedForm(user, shown.context(),
                                  formSheetOf(gauging, computed, parseRecordHeader(header)),
                                  computed.findings);
    }

    testing::FormFolder folder;
    testing::RecordingContext shown{folder.path()};
    testing::ScriptedDialogs user;
    const Gauging gauging = testing::workedExample();
    const Computation computed = compute(gauging);
    std::string header{kDefaultRecordHeader};
    fs::path templateFile = paths::formTemplate(folder.path(), false);
};

// The record header of the 39 values as 更多 gives it.
std::string headerBytes(const std::array<std::string, 39>& values) {
    const auto bytes = recordHeaderBytes(values);
    EXPECT_TRUE(bytes.has_value());
    return bytes.value_or("");
}

TEST_F(FormFaults, ADamagedTemplateIsNamedAsSuch) {
    ASSERT_TRUE(writeFileAtomic(templateFile, "PK\x03\x04 not a workbook"));
    const FormOutcome outcome = exportTo("x.xlsx");
    EXPECT_EQ(outcome.status, FormOutcome::Status::Failed);
    EXPECT_NE(outcome.message.find("excel模板已损坏"), std::string::npos) << outcome.message;
    EXPECT_NE(outcome.message.find(templateFile.string()), std::string::npos);
    EXPECT_FALSE(fs::exists(folder.path() / "excel" / "x.xlsx"));
}

TEST_F(FormFaults, AZipBombInPlaceOfTheTemplateIsRefusedWithinASecondAndLittleMemory) {
    // 40 MB of zeros deflate to some 40 KB.
    const std::string zeros(std::size_t(40) << 20, '\0');
    int error = 0;
    zip_t* z = zip_open(templateFile.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(z, nullptr);
    zip_source_t* part = zip_source_buffer(z, zeros.data(), zeros.size(), 0);
    ASSERT_GE(zip_file_add(z, "xl/worksheets/sheet1.xml", part, 0), 0);
    ASSERT_EQ(zip_close(z), 0);
    ASSERT_LT(fs::file_size(templateFile), 200u * 1024);

    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        // Measured in a process of its own, so the test's own allocations do not count.
        rusage before{};
        ::getrusage(RUSAGE_SELF, &before);
        const auto started = std::chrono::steady_clock::now();
        const FormOutcome outcome = exportTo("bomb.xlsx");
        const long ms = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now() - started)
                                              .count());
        rusage after{};
        ::getrusage(RUSAGE_SELF, &after);
        const long grewKb = after.ru_maxrss - before.ru_maxrss;
        const std::string report =
            std::to_string(ms) + " " + std::to_string(grewKb) + " " +
            (outcome.message.find("excel模板已损坏") != std::string::npos ? "named" : "unnamed");
        (void)!::write(pipeFds[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    char buffer[128] = {};
    (void)!::read(pipeFds[0], buffer, sizeof buffer - 1);
    ::close(pipeFds[0]);
    ::waitpid(child, nullptr, 0);
    long ms = 0;
    long grewKb = 0;
    char named[16] = {};
    ASSERT_EQ(std::sscanf(buffer, "%ld %ld %15s", &ms, &grewKb, named), 3) << buffer;
    EXPECT_LT(ms, 1000);
    EXPECT_LT(grewKb, 100 * 1024);
    EXPECT_STREQ(named, "named");
    EXPECT_FALSE(fs::exists(folder.path() / "excel" / "bomb.xlsx"));
}

TEST_F(FormFaults, ATextLongerThanACellHoldsIsRefusedWithTheFieldNamed) {
    std::array<std::string, 39> values{};
    values[0] = std::string(32768, 'a');
    header = headerBytes(values);
    FormOutcome outcome = exportTo("long.xlsx");
    EXPECT_EQ(outcome.status, FormOutcome::Status::Refused);
    EXPECT_NE(outcome.message.find("“" + recordHeaderCaption(0) + "”"), std::string::npos)
        << outcome.message;
    EXPECT_NE(outcome.message.find("32767"), std::string::npos);

    values[0] = std::string(32767, 'a');
    header = headerBytes(values);
    outcome = exportTo("long.xlsx");
    EXPECT_EQ(outcome.status, FormOutcome::Status::Done) << outcome.message;
}

} // namespace
} // namespace tarnelo
