// Reads arbitrary bytes as a coefficient file: at most six values, none holding a separator
// (a comma or a CR LF line end), and loading them into a window never fails.
#include "support/headless_window.hpp"
#include "files/coefficient_file.hpp"

#include <cstdint>
#include <string_view>

using namespace tarnelo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(bytes), size);
    const auto values = parseCoefficientText(input);
    if (!values) {
        return 0;
    }
    if (values->size() > 6) {
        __builtin_trap();
    }
    HeadlessWindow window("/nonexistent");
    for (std::size_t i = 0; i < values->size(); ++i) {
        const std::string& value = (*values)[i];
        if (value.find(',') != std::string::npos || value.find("\r\n") != std::string::npos) {
            __builtin_trap();
        }
        window.setText(kCoefficientFields[i].control, value);
    }
    return 0;
}
