// The controls of a measurement as plain data, behind the Window contract, so that a gauging
// read from its file runs through the very commands of 计算 without a screen, a program folder
// or dialogs. Questions are answered yes (the only one 计算 asks concerns cells a file never
// holds), messages are kept.
#pragma once

#include "sheet/sheet.hpp"
#include "window/window.hpp"

#include <string>
#include <utility>
#include <vector>

namespace tarnelo::station {

class Panel final : public Window {
  public:
    Panel();

    std::string text(std::string_view control) const override;
    void setText(std::string_view control, std::string_view text) override;
    bool isSelected(std::string_view radio) const override { return radio == selected_; }
    void setSelected(std::string_view radio, bool selected) override;
    bool isEnabled(std::string_view) const override { return true; }
    void setEnabled(std::string_view, bool) override {}
    int textColour(std::string_view) const override { return kBlack; }
    void setTextColour(std::string_view, int) override {}
    Sheet& sheet() override { return sheet_; }
    const Sheet& sheet() const override { return sheet_; }
    int progress() const override { return 0; }
    void setProgress(int) override {}
    void setStatus(std::string_view) override {}
    FileChoice chooseFile(const FileDialogSpec&, const std::filesystem::path&) override {
        return {};
    }
    void showMessage(std::string_view text, std::string_view, MessageIcon) override {
        lastMessage_ = text;
    }
    bool ask(std::string_view, std::string_view) override { return true; }
    void openRecordHeaderDialog() override {}
    void openUrl(std::string_view) override {}
    void pause(int) override {}
    std::filesystem::path programFolder() const override { return {}; }

    const std::string& lastMessage() const { return lastMessage_; }

  private:
    std::vector<std::pair<std::string, std::string>> texts_;
    std::string selected_;
    Sheet sheet_;
    std::string lastMessage_;
};

} // namespace tarnelo::station
