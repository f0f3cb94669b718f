// Reads arbitrary bytes as a coefficient file: at most six values, none holding a separator
// (a comma or a CR LF line end), and a gauging given them computes without fail.
#include "compute/compute.hpp"
#include "files/coefficient_file.hpp"
#include "gauging/gauging.hpp"

#include <cstdint>
#include <string_view>

using namespace tarnelo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(bytes), size);
    const auto values = parseCoefficientText(input);
    if (!values) {
        return 0;
    }
    if (values->size() > kCoefficientCount) {
        __builtin_trap();
    }
    // The worked example's rows, with the file's coefficients over the factory ones.
    Gauging gauging;
    gauging.rows = {{"0", "0", "", "", "", ""},
                    {"5", "1.2", "0.6", "10", "100", ""},
                    {"10", "1.8", "0.6", "15", "110", ""},
                    {"15", "1.5", "0.0", "20", "105", ""},
                    {"20", "0", "", "", "", ""}};
    for (std::size_t i = 0; i < values->size(); ++i) {
        const std::string& value = (*values)[i];
        if (value.find(',') != std::string::npos || value.find("\r\n") != std::string::npos) {
            __builtin_trap();
        }
        gauging.coefficients[i] = value;
    }
    const Computation computed = compute(gauging);
    if (!computed.computed() && computed.message.empty()) {
        __builtin_trap();
    }
    return 0;
}
