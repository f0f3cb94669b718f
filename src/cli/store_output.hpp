// What tarnelo-cli store shows of a store and writes from it: its gaugings as a list, one
// gauging and its revisions, a revision's file, and the latest files of a station's year in a
// folder.
#pragma once

#include "store/store.hpp"

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace tarnelo::cli {

// Who saved a revision, on which machine and when (UTC): "张三@host 2026-12-11 02:04:13".
std::string savedByText(const store::Revision& revision);

// The gaugings, a line of headings and one line each in columns, or a JSON array.
void writeEntries(std::ostream& out, const std::vector<store::GaugingEntry>& entries, bool json);
// A gauging's entry and the revision read, one field a line.
void writeStored(std::ostream& out, const store::StoredGauging& stored);
// One line per revision, oldest first.
void writeHistory(std::ostream& out, const std::vector<store::Revision>& revisions);

// Writes the revision's file byte for byte through the atomic writer. An existing file with
// other bytes is replaced only with force (a read-only one too); one with the same bytes is
// left as it is. The exit status, after a message when not
// written.
int writeGaugingFile(const store::StoredGauging& stored, const std::filesystem::path& file,
                     bool force);

// Writes the latest revision of each gauging the filter takes, not deleted, into folder as
// NAME.dat (the folder is made when missing); a file there with the same bytes is left as it
// is. Without force nothing is written when one of those files is there with other bytes.
// Ctrl-C stops between two files. The exit status, after the count on stdout or why not on
// stderr.
int exportGaugings(store::Store& store, const store::Filter& filter,
                   const std::filesystem::path& folder, bool force);

} // namespace tarnelo::cli
