// A private program folder with the generated record-form templates in its Data folder, an
// excel folder and the default record header; shared by the form tests and benchmarks.
#pragma once

#include "files/record_header.hpp"
#include "support/scratch_program_folder.hpp"

#include <filesystem>

namespace tarnelo::testing {

class FormFolder {
  public:
    FormFolder() {
        std::filesystem::create_directories(scratch_.path() / "excel");
        for (const char* name : {"moduleexcel_1.dat", "moduleexcel_2.dat"}) {
            std::filesystem::copy_file(std::filesystem::path(TARNELO_PROGRAM_DIR) / "Data" / name,
                                       scratch_.path() / "Data" / name);
        }
    }
    const std::filesystem::path& path() const { return scratch_.path(); }

  private:
    ScratchProgramFolder scratch_;
};

} // namespace tarnelo::testing
