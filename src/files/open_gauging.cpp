#include "files/open_gauging.hpp"

namespace tarnelo {

namespace {

// The computation's status and message over the file's: an incomplete file stays incomplete,
// and both messages are told, the file's first.
void computeOpened(FileComputation& outcome, const GaugingFile& read, const OpenOptions& options) {
    outcome.gauging.threePoint = options.threePoint;
    outcome.computation = compute(outcome.gauging, options.checks);
    const Computation& computed = outcome.computation;
    const bool incompleteFile = read.status == GaugingFile::Status::Incomplete;
    if (computed.status == Computation::Status::Refused) {
        outcome.status = FileComputation::Status::Refused;
        outcome.message = computed.message;
    } else if (computed.status == Computation::Status::Incomplete) {
        outcome.status = FileComputation::Status::Incomplete;
        outcome.message = computed.message;
    } else {
        outcome.status = incompleteFile ? FileComputation::Status::Incomplete
                                        : FileComputation::Status::Computed;
    }
    if (incompleteFile) {
        outcome.message = read.message + (outcome.message.empty() ? "" : "\n") + outcome.message;
    }
}

FileComputation fromRead(GaugingFile read, const OpenOptions& options) {
    FileComputation outcome;
    outcome.fileMode = read.fileMode;
    outcome.hasHeader = read.hasHeader;
    outcome.foreignForm = std::move(read.foreignForm);
    outcome.conversionDeclined = read.conversionDeclined;
    outcome.fileMessage = read.message;
    switch (read.status) {
    case GaugingFile::Status::NotOpened:
        outcome.message = std::move(read.message);
        return outcome;
    case GaugingFile::Status::Refused:
        outcome.status = FileComputation::Status::Refused;
        outcome.message = std::move(read.message);
        return outcome;
    case GaugingFile::Status::Incomplete:
    case GaugingFile::Status::Opened:
        break;
    }
    outcome.opened = true;
    outcome.problems = read.problems;
    outcome.gauging = std::move(read.gauging);
    if (options.compute) {
        computeOpened(outcome, read, options);
        return outcome;
    }
    outcome.status = read.status == GaugingFile::Status::Incomplete
                         ? FileComputation::Status::Incomplete
                         : FileComputation::Status::Computed;
    outcome.message = std::move(read.message);
    return outcome;
}

} // namespace

FileComputation openGauging(const std::filesystem::path& file, const OpenOptions& options) {
    return fromRead(readGaugingFile(file, options.start, options.convert), options);
}

FileComputation openGaugingBytes(std::string_view bytes, std::string_view name,
                                 const OpenOptions& options) {
    return fromRead(readGaugingBytes(bytes, name, options.start, options.convert), options);
}

} // namespace tarnelo
