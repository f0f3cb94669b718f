// The commands that move a measurement between the window and a store of gaugings: open a
// gauging's revision as 打开 opens a file, and save the window's measurement as a gauging's next
// revision without ever writing over a revision someone else saved first.
#pragma once

#include "app/file_commands.hpp"
#include "document/document.hpp"
#include "files/record_header.hpp"
#include "store/store.hpp"

#include <filesystem>
#include <string>
#include <string_view>

namespace tarnelo {

class Window;

// The file name a store's gauging is read as (its name with ".dat"): the name the window shows
// and its messages quote.
std::string storedFileName(std::string_view gauging);

// Shows a gauging read from a store in the window, through the same path as a file's bytes.
OpenResult openStoredGauging(Window& window, const store::StoredGauging& stored);

// What saving into a store did.
struct StoreSaveOutcome {
    enum class Status {
        Saved,     // the store holds the measurement as `revision`
        Cancelled, // a newer revision came first and the user chose not to save over it
        Refused,   // the input cannot be saved; message says why
        Failed,    // the store did not take it; message says why
    };
    Status status = Status::Cancelled;
    int revision = 0;
    std::string message;
};

// Saves the window's measurement as the next revision of the store's gauging `name`, over the
// revision `basedOn` it was read at (0: new to the store). When another revision came first,
// the user is told who saved it, where and when, and asked whether to save as a revision of
// its own on top of it; nothing is ever written over. Every failure is told in a message.
StoreSaveOutcome saveToStore(Window& window, store::Store& store, const std::string& name,
                             int basedOn);

// What the store refused to take because `newer` came first, as the question asked then.
std::string newerRevisionQuestion(const std::string& name, int basedOn,
                                  const store::Revision& newer);

// The window's title for a measurement of a store: the gauging, its revision and the store.
std::string storedTitle(const StoredSource& source);

// A gauging name proposed for a measurement: its file's name without ".dat", else its station
// and 施测号数 (or its date) as 保存 proposes a file name.
std::string proposedGaugingName(const std::filesystem::path& file, const RecordHeader& header);

} // namespace tarnelo
