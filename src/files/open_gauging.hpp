// The one door through which a raw data file is opened and computed: 打开 in the window, every
// tarnelo-cli subcommand and a station's year come in here, and a file that cannot be read, is
// refused or is incomplete is told in the same words wherever it was opened.
#pragma once

#include "checks/checks.hpp"
#include "compute/compute.hpp"
#include "files/gauging_file.hpp"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo {

struct OpenOptions {
    // The gauging the file is read over: the coefficients the file lacks are start's (the
    // window's fields; the factory values by default).
    Gauging start;
    // Asked whether a file in a foreign form is read converted; none reads it converted when
    // nothing is lost.
    ConvertQuestion convert;
    // Whether the gauging is computed once read (打开 in the window reads only).
    bool compute = true;
    CheckOptions checks;
    ThreePointRule threePoint = ThreePointRule::Equal;
};

struct FileComputation {
    enum class Status {
        Computed,   // read whole and, when asked, computed with every result
        Incomplete, // the file or its input is incomplete; what is missing is in message
        Refused,    // the file or the computation was refused; the reason is in message
        Unreadable, // missing, not a file, unreadable or not a raw data file; message says why
    };
    Status status = Status::Unreadable;
    // What was wrong; empty when computed. An unreadable file's message does not name the file
    // (the front end does: "无法打开“m.dat”：文件不存在。"); every other one does.
    std::string message;
    // The part of message that reading the file gave (why it was refused, what a short file
    // lacks); empty when it was read whole. A front end that tells the file's state alone
    // shows this.
    std::string fileMessage;
    // Whether the file was read (the gauging means something).
    bool opened = false;
    // The gauging as read, and its computation (empty when not computed).
    Gauging gauging;
    Computation computation;
    // The file's own mode (Unknown when it names none: the gauging then keeps start's mode and
    // gets no rows), what a short or damaged file lacks, and whether it has a header part.
    EntryMode fileMode = EntryMode::Unknown;
    std::vector<std::string> problems;
    bool hasHeader = false;
    // What the file was when it was read converted ("文件是 UTF-8 编码，…"); empty when it is
    // in the program's own form.
    std::string foreignForm;
    // Refused because the question about a foreign form was answered no.
    bool conversionDeclined = false;
};

// Opens file (at most kLargestRawDataFile bytes) and, unless told not to, computes it. Never
// throws for a bad file.
FileComputation openGauging(const std::filesystem::path& file, const OpenOptions& options = {});

// The same for the bytes of a file called `name` (UTF-8, for messages).
FileComputation openGaugingBytes(std::string_view bytes, std::string_view name,
                                 const OpenOptions& options = {});

} // namespace tarnelo
