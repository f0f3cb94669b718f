#include "store/store.hpp"

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <vector>

namespace tarnelo::store {

Author thisAuthor() {
    Author author;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_name != nullptr) {
        author.user = found->pw_name;
    } else if (const char* user = std::getenv("USER"); user != nullptr) {
        author.user = user;
    }
    std::array<char, 256> host{};
    if (::gethostname(host.data(), host.size() - 1) == 0) {
        author.machine = host.data();
    }
    author.program = "Tarnelo 13.05";
    return author;
}

} // namespace tarnelo::store
