#include "cli/computation_output.hpp"

#include "cli/subcommands.hpp"
#include "cli/text_output.hpp"
#include "gauging/points.hpp"
#include "measure/numtext.hpp"
#include "measure/point_method.hpp"

#include <iostream>
#include <optional>

namespace tarnelo::cli {

namespace {

std::string_view statusName(FileComputation::Status status) {
    switch (status) {
    case FileComputation::Status::Computed:
        return "computed";
    case FileComputation::Status::Incomplete:
        return "incomplete";
    case FileComputation::Status::Refused:
    case FileComputation::Status::Unreadable:
        break;
    }
    return "error";
}

} // namespace

std::optional<std::string> unusableReason(const FileComputation& outcome) {
    if (outcome.status != FileComputation::Status::Computed) {
        return outcome.message.empty() ? std::string("未计算") : outcome.message;
    }
    const std::vector<Finding>& findings = findingsOf(outcome);
    const int errors = countSeverity(findings, Finding::Severity::Error);
    if (errors == 0) {
        return std::nullopt;
    }
    for (const Finding& f : findings) {
        if (f.severity == Finding::Severity::Error) {
            return unusableResultsText(errors) + "：" + findingLine(f);
        }
    }
    return unusableResultsText(errors);
}

int exitStatus(const FileComputation& outcome) {
    switch (outcome.status) {
    case FileComputation::Status::Computed:
        return countSeverity(findingsOf(outcome), Finding::Severity::Error) > 0 ? kExitFindings
                                                                                : kExitDone;
    case FileComputation::Status::Incomplete:
    case FileComputation::Status::Refused:
        return kExitIncomplete;
    case FileComputation::Status::Unreadable:
        break;
    }
    return kExitUsage;
}

namespace {

std::string jsonNumber(const std::optional<double>& value, int decimals) {
    return value ? num::fixedText(*value, decimals) : std::string("null");
}

std::string json(const UncertaintyMethod& method) {
    std::string out = "{\"percent\": " + jsonNumber(method.percent, 1);
    out += ", \"expanded_percent\": " + jsonNumber(method.percent, 1);
    out += ", \"standard_percent\": " + jsonNumber(method.standardPercent, 2);
    out += ", \"coverage_factor\": " +
           jsonNumber(method.percent ? std::optional(method.coverageFactor) : std::nullopt, 2);
    out +=
        ", \"coverage\": " + (method.percent ? jsonString(method.coverage) : std::string("null"));
    out += ", \"source\": " + jsonString(method.source);
    out += ", \"reason\": ";
    if (method.percent) {
        out += "null";
    } else {
        out += jsonString(method.reason.empty() ? std::string_view("尚未计算出断面流量")
                                                : std::string_view(method.reason));
    }
    out += ", \"notes\": [";
    for (std::size_t i = 0; i < method.notes.size(); ++i) {
        out += (i == 0 ? "" : ", ") + jsonString(method.notes[i]);
    }
    out += "], \"components\": {";
    for (std::size_t i = 0; i < method.components.size(); ++i) {
        const UncertaintyComponent& c = method.components[i];
        out += (i == 0 ? "" : ", ") + jsonString(c.key) + ": {\"name\": " + jsonString(c.name) +
               ", \"standard_percent\": " + jsonNumber(c.percent, 2) +
               ", \"kind\": " + jsonString(c.systematic ? "systematic" : "random") +
               ", \"note\": " + jsonString(c.note) + "}";
    }
    return out + "}}";
}

// "± 5.5 %（ISO 748，95%）  标准不确定度 2.76 %，k = 2（ISO 748）" and the components below it,
// random and systematic apart, or "ISO 748 无法估算（垂线太少）".
std::string text(const UncertaintyMethod& method, std::string_view name) {
    std::string out = uncertaintyShort(method, name);
    if (!method.percent) {
        return out + "\n";
    }
    out += "  标准不确定度 " + num::fixedText(*method.standardPercent, 2) + " %，" +
           method.coverage + "\n";
    for (const bool systematic : {false, true}) {
        std::string parts;
        for (const UncertaintyComponent& c : method.components) {
            if (c.systematic == systematic) {
                parts += (parts.empty() ? "" : "，") + std::string(c.name) + " " +
                         (c.percent ? num::fixedText(*c.percent, 2) + "%" : c.note);
            }
        }
        out += std::string("    ") + (systematic ? "系统：" : "随机：") + parts + "\n";
    }
    for (const std::string& note : method.notes) {
        out += "    注：" + note + "\n";
    }
    return out + "    来源：" + method.source + "\n";
}

} // namespace

// The mode's name, or empty when the file was not opened.
std::string_view modeName(const FileComputation& outcome) {
    return outcome.opened ? entryModeName(outcome.gauging.mode) : std::string_view();
}

// The coefficients of the mode, or none when the file was not opened.
std::size_t coefficientsShown(const FileComputation& outcome) {
    return outcome.opened ? coefficientCount(outcome.gauging.mode) : 0;
}

// The listed rows, or none when the file was not opened.
int rowsShown(const FileComputation& outcome) {
    return outcome.opened ? listedRows(outcome) : 0;
}

std::vector<std::pair<std::string_view, std::string_view>>
results(const FileComputation& out, std::string_view completionName) {
    std::vector<std::pair<std::string_view, std::string_view>> named;
    if (!out.opened) {
        return named;
    }
    for (std::size_t i = 0; i < kResultCount; ++i) {
        named.emplace_back(kResultNames[i], out.computation.results[i]);
    }
    named.emplace_back(completionName, out.computation.completion);
    return named;
}

namespace {

// Whether a vertical has three points, the one method whose rule is a station's choice.
bool hasThreePointVertical(const Table& table, EntryMode mode) {
    for (const PointedVertical& vertical : pointedVerticals(table, mode)) {
        if (vertical.points.size() == 3) {
            return true;
        }
    }
    return false;
}

} // namespace

const std::vector<Finding>& findingsOf(const FileComputation& outcome) {
    static const std::vector<Finding> kNone;
    return outcome.opened ? outcome.computation.findings : kNone;
}

std::string json(const std::string& file, const FileComputation& outcome) {
    std::string out =
        "{\"format\": " + std::to_string(kJsonFormat) + ", \"file\": " + jsonString(file);
    out += ", \"mode\": " + jsonString(modeName(outcome));
    out += ", \"coefficients\": {";
    for (std::size_t i = 0; i < coefficientsShown(outcome); ++i) {
        out += (i == 0 ? "" : ", ") + jsonString(kCoefficientNames[i].key) + ": " +
               jsonString(outcome.gauging.coefficients[i]);
    }
    out += "}";
    const Table& table = outcome.computation.table;
    if (outcome.opened && hasThreePointVertical(table, outcome.computation.mode)) {
        out += ", \"three_point\": " + jsonString(threePointRuleText(outcome.gauging.threePoint));
    }
    out += ", \"sheet\": [";
    const int rows = rowsShown(outcome);
    out.reserve(out.size() + static_cast<std::size_t>(rows) * 160);
    for (int r = 0; r < rows; ++r) {
        out += r == 0 ? "\n  [" : ",\n  [";
        for (int c = 0; c < kRecordColumns; ++c) {
            if (c > 0) {
                out += ", ";
            }
            appendJsonString(out, table.cell(r, c));
        }
        out += "]";
    }
    out += rows == 0 ? "]" : "\n]";
    out += ", \"results\": {";
    const auto named = results(outcome);
    for (std::size_t i = 0; i < named.size(); ++i) {
        out +=
            (i == 0 ? "" : ", ") + jsonString(named[i].first) + ": " + jsonString(named[i].second);
    }
    out += "}, \"findings\": [";
    const std::vector<Finding>& findings = findingsOf(outcome);
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const Finding& f = findings[i];
        const std::string field = f.isCell() ? std::string(columnHeading(f.column))
                                  : f.isCoefficient()
                                      ? std::string(kCoefficientNames[f.coefficientIndex()].key)
                                      : std::string();
        out += (i == 0 ? "\n  {" : ",\n  {");
        out += "\"row\": " + (f.isCell() ? std::to_string(f.row) : std::string("null"));
        out += ", \"column\": " + (f.isCell() ? std::to_string(f.column) : std::string("null"));
        out += ", \"field\": " + jsonString(field);
        out += ", \"severity\": " + jsonString(severityName(f.severity));
        out += ", \"reason\": " + jsonString(f.reason) + "}";
    }
    out += findings.empty() ? "]" : "\n]";
    const SectionUncertainty& uncertainty = outcome.computation.uncertainty;
    out += ", \"uncertainty\": {\"ive\": " + json(uncertainty.ive) +
           ", \"iso748\": " + json(uncertainty.iso748) + "}";
    out += ", \"status\": " + jsonString(statusName(outcome.status));
    const std::optional<std::string> unusable = unusableReason(outcome);
    out += ", \"usable\": " + std::string(unusable ? "false" : "true");
    out += ", \"unusable_reason\": " + (unusable ? jsonString(*unusable) : std::string("null"));
    out += ", \"message\": " + jsonString(outcome.message) + "}";
    return out;
}

// The table of one file onto out, row by row: ten thousand rows of long cells are never held
// as one text.
void printText(std::ostream& stream, const std::string& file, const FileComputation& outcome) {
    std::string out = "== " + terminalSafe(file) + "  (" + std::string(modeName(outcome)) + ")\n";
    std::string coefficients;
    for (std::size_t i = 0; i < coefficientsShown(outcome); ++i) {
        coefficients += (i == 0 ? "" : "   ") + std::string(kCoefficientNames[i].label) + " " +
                        terminalSafe(outcome.gauging.coefficients[i]);
    }
    out += "系数: " + coefficients + "\n\n";

    const Table& table = outcome.computation.table;
    std::size_t filled = 0;
    for (int r = 0; r < table.rowCount(); ++r) {
        for (const auto& cell : table.rows()[static_cast<std::size_t>(r)]) {
            if (!cell.empty()) {
                filled = static_cast<std::size_t>(r) + 1;
            }
        }
    }
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> heading{"行"};
    for (int c = 0; c < kRecordColumns; ++c) {
        heading.emplace_back(columnHeading(c));
    }
    rows.push_back(std::move(heading));
    for (std::size_t r = 0; r < filled; ++r) {
        std::vector<std::string> row{std::to_string(r + 1)};
        for (const std::string& cell : table.rows()[r]) {
            row.push_back(terminalSafe(cell));
        }
        rows.push_back(std::move(row));
    }
    stream << out;
    writeAlignedTable(stream, rows);
    rows.clear();
    rows.shrink_to_fit();
    out = "\n";

    std::vector<std::vector<std::string>> results(2);
    // The text listing keeps the heading it has always had.
    for (const auto& [name, value] : tarnelo::cli::results(outcome, "致谢框")) {
        results[0].emplace_back(name);
        results[1].push_back(value.empty() ? "-" : std::string(value));
    }
    out += alignedTable(results);
    const SectionUncertainty& uncertainty = outcome.computation.uncertainty;
    out += "\n不确定度 Uncertainty（各分量为标准不确定度 1σ）:\n  ISO 748: " +
           terminalSafe(text(uncertainty.iso748, "ISO 748"), true) +
           "  IVE: " + terminalSafe(text(uncertainty.ive, "IVE"), true);
    const std::vector<Finding>& findings = findingsOf(outcome);
    if (!findings.empty()) {
        out += "\n检查 Findings: " + findingCounts(findings) + "\n" +
               terminalSafe(findingList(findings, findings.size()), true) + "\n";
    }
    stream << out;
}

} // namespace tarnelo::cli
