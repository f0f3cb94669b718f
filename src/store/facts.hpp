// What a stored file says and computes to, kept beside each revision for lists, for the year's
// table and for the national layout.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarnelo::store {

struct Facts {
    // "computed", "incomplete", "refused" or "unreadable" (StationGauging's status).
    std::string status;
    std::string stationName;           // 测站名称
    std::string number;                // 施测号数 as written
    std::optional<std::int64_t> qobno; // 施测号数 when it is a whole number
    std::optional<int> year;           // when 施测时间 names it
    std::string start;                 // 施测时间 read: "2024-07-12 08:30", or a date alone
    std::string end;
    std::string place;  // 断面位置
    std::string method; // 测验方法
    // 基本水尺水位 and the seven section results (断面流量 … 最大水深), 水面比降 and 糙率: each a
    // decimal number as the form prints it, or empty.
    std::string stage;
    std::array<std::string, 7> results;
    std::string slope;
    std::string roughness;
    std::string remarks; // 附注
    int errors = 0;
    int notices = 0;
    // Why the bytes are no raw data file ("unreadable"), in the words the window uses.
    std::string problem;
};

// Reads and computes bytes as the file NAME.dat, as the year's table would.
Facts factsOf(std::string_view bytes, std::string_view name);

// The words a list shows for a status.
std::string statusWords(std::string_view status);

} // namespace tarnelo::store
