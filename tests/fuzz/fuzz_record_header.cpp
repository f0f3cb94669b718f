// Reads arbitrary bytes as a record header. Every line has its fields; whatever can be saved
// again reads back as the same fields.
#include "files/gbk.hpp"
#include "files/record_header.hpp"

#include <cstdint>
#include <string_view>

using namespace tarnelo;

namespace {

// A field without a value is "*" on disk, whether it was read as "*" or as an empty piece.
std::string normal(const std::string& field) {
    return field.empty() ? "*" : field;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(bytes), size);
    const RecordHeader header = parseRecordHeader(input);
    std::array<std::string, 39> values;
    std::size_t index = 0;
    for (std::size_t l = 0; l < 4; ++l) {
        if (header[l].size() != kRecordHeaderLineFields[l]) {
            __builtin_trap();
        }
        for (const auto& field : header[l]) {
            values[index++] = hasValue(field) ? field : std::string();
        }
    }
    if (recordHeaderProblem(values)) {
        return 0;
    }
    const auto saved = utf8ToGbk(recordHeaderText(values));
    if (!saved) {
        __builtin_trap();
    }
    const RecordHeader reread = parseRecordHeader(*saved);
    for (std::size_t l = 0; l < 4; ++l) {
        for (std::size_t f = 0; f < header[l].size(); ++f) {
            if (normal(header[l][f]) != reread[l][f]) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
