#include "store/store.hpp"

#include <windows.h>

#include <array>

namespace tarnelo::store {

namespace {

std::string utf8Of(const wchar_t* text, DWORD length) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0,
                                           nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), size, nullptr,
                              nullptr);
    }
    return out;
}

} // namespace

Author thisAuthor() {
    Author author;
    std::array<wchar_t, 257> user{};
    DWORD length = static_cast<DWORD>(user.size());
    if (::GetUserNameW(user.data(), &length) && length > 0) {
        author.user = utf8Of(user.data(), length - 1);
    }
    std::array<wchar_t, MAX_COMPUTERNAME_LENGTH + 1> machine{};
    length = static_cast<DWORD>(machine.size());
    if (::GetComputerNameW(machine.data(), &length)) {
        author.machine = utf8Of(machine.data(), length);
    }
    author.program = "Tarnelo 13.05";
    return author;
}

} // namespace tarnelo::store
