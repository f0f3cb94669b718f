#include "platform/automation/host_registry.hpp"

#include "platform/automation/spreadsheet_host.hpp"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace tarnelo::automation {

namespace {

std::string keyOf(std::string_view progId) {
    std::string key(progId);
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return key;
}

struct Registry {
    std::mutex mutex;
    std::map<std::string, HostFactory> factories;
    std::map<std::string, std::vector<std::weak_ptr<Object>>> running;

    Registry() {
        factories[keyOf(kSpreadsheetProgId)] = [] { return makeSpreadsheetApplication(); };
    }
};

Registry& registry() {
    static Registry instance;
    return instance;
}

} // namespace

HostFactory registerHost(std::string_view progId, HostFactory factory) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const std::string key = keyOf(progId);
    HostFactory previous;
    if (auto it = r.factories.find(key); it != r.factories.end()) {
        previous = std::move(it->second);
        r.factories.erase(it);
    }
    if (factory) {
        r.factories[key] = std::move(factory);
    }
    return previous;
}

void registerActiveObject(std::string_view progId, const Dispatch& instance) {
    if (!instance) {
        return;
    }
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto& list = r.running[keyOf(progId)];
    std::erase_if(list, [](const std::weak_ptr<Object>& w) { return w.expired(); });
    list.push_back(instance.shared());
}

Outcome createObject(std::string_view progId) {
    HostFactory factory;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        if (auto it = r.factories.find(keyOf(progId)); it != r.factories.end()) {
            factory = it->second;
        }
    }
    if (!factory) {
        return Outcome::fail("没有注册的程序：" + std::string(progId));
    }
    Dispatch instance = factory();
    if (!instance) {
        return Outcome::fail("无法启动程序：" + std::string(progId));
    }
    registerActiveObject(progId, instance);
    return Outcome::ok(instance);
}

Outcome getActiveObject(std::string_view progId) {
    Registry& r = registry();
    std::unique_lock lock(r.mutex);
    auto it = r.running.find(keyOf(progId));
    if (it != r.running.end()) {
        auto& list = it->second;
        std::erase_if(list, [](const std::weak_ptr<Object>& w) {
            auto object = w.lock();
            return !object || !object->alive();
        });
        if (!list.empty()) {
            Dispatch found(list.front().lock());
            lock.unlock();
            return Outcome::ok(found);
        }
    }
    lock.unlock();
    return Outcome::fail("没有正在运行的程序：" + std::string(progId));
}

ScopedHostRegistration::ScopedHostRegistration(std::string_view progId, HostFactory factory)
    : progId_(progId), previous_(registerHost(progId, std::move(factory))) {}

ScopedHostRegistration::~ScopedHostRegistration() {
    registerHost(progId_, std::move(previous_));
}

} // namespace tarnelo::automation
