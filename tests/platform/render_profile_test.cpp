// The LibreOffice profile a render uses: the release read beside the soffice that is found, the
// seeded settings, the per-user kept profile under its lock, the fallback to a fresh one, and
// the refusal of a cache folder others can change. No LibreOffice is run.
#include "files/file_io.hpp"
#include "platform/print/render_profile.hpp"
#include "platform/system/scratch.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include <sys/stat.h>

namespace tarnelo {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& file) {
    return readFileBytes(file).value_or("");
}

class RenderProfileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(scratch_.valid());
        // An installation laid out as LibreOffice's: program/soffice, reached through a link in
        // a bin folder, with bootstraprc and versionrc beside the real one.
        const fs::path program = root() / "lib" / "office" / "program";
        fs::create_directories(program);
        fs::create_directories(root() / "bin");
        std::ofstream(program / "soffice") << "#!/bin/sh\n";
        std::ofstream(program / "bootstraprc")
            << "[Bootstrap]\r\nInstallMode=<installmode>\r\nProductKey=LibreOffice 7.4\r\n";
        std::ofstream(program / "versionrc") << "[Version]\nbuildid=40(Build:2)\n";
        fs::create_symlink(program / "soffice", root() / "bin" / "soffice");
        fs::create_directories(root() / "render");
        const char* old = std::getenv("XDG_CACHE_HOME");
        oldCache_ = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
        ::setenv("XDG_CACHE_HOME", (root() / "cache").c_str(), 1);
        setRendererProfileUse(RendererProfileUse::KeptWhenFree);
    }
    void TearDown() override {
        oldCache_ ? ::setenv("XDG_CACHE_HOME", oldCache_->c_str(), 1)
                  : ::unsetenv("XDG_CACHE_HOME");
        setRendererProfileUse(RendererProfileUse::KeptWhenFree);
    }

    const fs::path& root() const { return scratch_.path(); }
    fs::path soffice() const { return root() / "bin" / "soffice"; }
    fs::path kept() const { return root() / "cache" / "tarnelo" / "renderer-profile"; }
    fs::path settings(const fs::path& profile) const {
        return profile / "user" / "registrymodifications.xcu";
    }

  private:
    sys::ScratchFolder scratch_{"tarnelo-profile-test"};
    std::optional<std::string> oldCache_;
};

TEST_F(RenderProfileTest, TheReleaseComesFromBesideTheRealSofficeAndSeedsTheProfile) {
    const RendererRelease release = rendererRelease(soffice());
    EXPECT_EQ(release.version, "7.4");
    EXPECT_EQ(release.buildId, "40(Build:2)");
    EXPECT_TRUE(rendererRelease(root() / "missing").version.empty());

    const fs::path profile = root() / "seeded";
    ASSERT_TRUE(seedRendererProfile(profile, release));
    const std::string xcu = slurp(settings(profile));
    EXPECT_NE(xcu.find("<item oor:path=\"/org.openoffice.Setup/Product\"><prop "
                       "oor:name=\"ooSetupLastVersion\" oor:op=\"fuse\"><value>7.4</value>"),
              std::string::npos)
        << xcu;
    EXPECT_NE(xcu.find("LastCompatibilityCheckID\" oor:op=\"fuse\"><value>40(Build:2)</value>"),
              std::string::npos);
    EXPECT_NE(xcu.find("DisableMacrosExecution\" oor:op=\"fuse\"><value>true</value>"),
              std::string::npos);

    // A value that would break the XML is left out, not written.
    std::ofstream(root() / "lib" / "office" / "program" / "bootstraprc")
        << "ProductKey=LibreOffice 7.4<x/>\n";
    EXPECT_TRUE(rendererRelease(soffice()).version.empty());
}

TEST_F(RenderProfileTest, OneRenderAtATimeKeepsTheProfileAndASecondGetsAFreshOne) {
    std::string firstPath;
    {
        RendererProfile first(soffice(), root() / "render");
        ASSERT_TRUE(first.kept());
        EXPECT_EQ(first.path(), kept());
        EXPECT_NE(slurp(settings(kept())).find("ooSetupLastVersion"), std::string::npos);
        struct stat info {};
        ASSERT_EQ(::stat(kept().parent_path().c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 077, 0u);

        // Held: a second render at the same time seeds a fresh profile in its own scratch.
        RendererProfile second(soffice(), root() / "other");
        EXPECT_FALSE(second.kept());
        EXPECT_EQ(second.path(), root() / "other" / "profile");
        EXPECT_NE(slurp(settings(second.path())).find("ooSetupLastVersion"), std::string::npos);
        // What LibreOffice learnt in the kept profile stays for the next render.
        std::ofstream(kept() / "user" / "learnt") << "x";
        std::ofstream(kept() / ".lock") << "left by a renderer that was ended";
    }
    {
        RendererProfile again(soffice(), root() / "render");
        ASSERT_TRUE(again.kept());
        EXPECT_TRUE(fs::exists(kept() / "user" / "learnt"));
        EXPECT_FALSE(fs::exists(kept() / ".lock"));
        // The render failed: the kept profile goes, this render goes on with a fresh one.
        again.discard();
        EXPECT_FALSE(again.kept());
        EXPECT_FALSE(fs::exists(kept()));
        EXPECT_EQ(again.path(), root() / "render" / "profile");
    }
    {
        RendererProfile next(soffice(), root() / "render");
        EXPECT_TRUE(next.kept());
        EXPECT_FALSE(fs::exists(kept() / "user" / "learnt"));
    }
    // Another LibreOffice installed since: the profile is seeded anew.
    std::ofstream(kept() / "user" / "learnt") << "x";
    std::ofstream(root() / "lib" / "office" / "program" / "bootstraprc")
        << "ProductKey=LibreOffice 7.5\n";
    {
        RendererProfile upgraded(soffice(), root() / "render");
        EXPECT_TRUE(upgraded.kept());
        EXPECT_FALSE(fs::exists(kept() / "user" / "learnt"));
        EXPECT_NE(slurp(settings(kept())).find("<value>7.5</value>"), std::string::npos);
    }
}

TEST_F(RenderProfileTest, ACacheFolderOthersCanChangeIsNotUsed) {
    fs::create_directories(root() / "cache" / "tarnelo");
    ::chmod((root() / "cache" / "tarnelo").c_str(), 0777);
    RendererProfile profile(soffice(), root() / "render");
    EXPECT_FALSE(profile.kept());
    EXPECT_EQ(profile.path(), root() / "render" / "profile");
    EXPECT_FALSE(fs::exists(kept()));

    setRendererProfileUse(RendererProfileUse::AlwaysFresh);
    ::chmod((root() / "cache" / "tarnelo").c_str(), 0700);
    RendererProfile fresh(soffice(), root() / "other");
    EXPECT_FALSE(fresh.kept());
}

} // namespace
} // namespace tarnelo
