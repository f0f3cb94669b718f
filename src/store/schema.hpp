// The store's tables, their versions and the upgrade from one version to the next.
#pragma once

#include "store/engine.hpp"

#include <span>
#include <string>

namespace tarnelo::store {

// One step of the schema's history: what makes a store of version - 1 into one of version.
struct SchemaStep {
    int version;
    std::string (*sql)(const Dialect& dialect);
};
// Every step, oldest first; the last one's version is kSchemaVersion.
std::span<const SchemaStep> schemaSteps();

// The version of the store's schema: 0 for a store without Tarnelo's tables.
Result<int> storedVersion(Engine& engine);

// Takes a store of version from to the last of steps, in one transaction: on any failure the
// store is left at from.
Problem upgrade(Engine& engine, int from, std::span<const SchemaStep> steps);

// "{id}", "{bytes}", "{now}" and "{lock}" in sql spelled as the dialect spells them.
std::string spelled(std::string_view sql, const Dialect& dialect);

} // namespace tarnelo::store
