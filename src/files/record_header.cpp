#include "files/record_header.hpp"

#include "files/gbk.hpp"
#include "files/split.hpp"

namespace tarnelo {

namespace {

constexpr std::array<std::string_view, 12> kLine1Captions{"测站名称",
                                                          "施测时间",
                                                          "天气",
                                                          "风力风向",
                                                          "流速仪牌号",
                                                          "流速仪公式",
                                                          "流速仪检定后使用次数",
                                                          "流速仪轴至铅鱼底距离",
                                                          "铅鱼重量",
                                                          "停表牌号",
                                                          "10分钟+-",
                                                          "测流渡河设备"};
constexpr std::array<std::string_view, 8> kLine2Captions{
    "断面位置",         "相应水位", "死水面积", "流速仪型号",
    "比降上下水尺间距", "水位差",   "水面比降", "糙率"};
constexpr std::array<std::string_view, 4> kGauges{"基本水尺", "测流水尺、自记台", "上比降水尺",
                                                  "下比降水尺"};
constexpr std::array<std::string_view, 4> kGaugeItems{"水尺编号", "水尺读数（始）",
                                                      "水尺读数（终）", "水尺零点高程"};
constexpr std::array<std::string_view, 3> kLine4Captions{"说明", "施测", "施测号数"};

} // namespace

RecordHeader parseRecordHeader(std::string_view bytes) {
    RecordHeader header;
    const auto lines = splitText(gbkToUtf8(bytes), "\r\n");
    for (std::size_t l = 0; l < header.size(); ++l) {
        if (l < lines.size()) {
            header[l] = splitText(lines[l], ",");
        }
        header[l].resize(kRecordHeaderLineFields[l], "*");
    }
    return header;
}

std::string headerField(const RecordHeader& header, int line, int pos) {
    if (line < 1 || line > 4 || pos < 1) {
        return "*";
    }
    const auto& fields = header[static_cast<std::size_t>(line - 1)];
    if (static_cast<std::size_t>(pos) > fields.size()) {
        return "*";
    }
    return fields[static_cast<std::size_t>(pos - 1)];
}

std::string recordHeaderCaption(std::size_t index) {
    if (index < 12) {
        return std::string(kLine1Captions[index]);
    }
    if (index < 20) {
        return std::string(kLine2Captions[index - 12]);
    }
    if (index < 36) {
        const std::size_t gauge = (index - 20) / 4;
        return std::string(kGauges[gauge]) + "的" + std::string(kGaugeItems[(index - 20) % 4]);
    }
    if (index < 39) {
        return std::string(kLine4Captions[index - 36]);
    }
    return {};
}

std::optional<std::string> recordHeaderProblem(const std::array<std::string, 39>& values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::string& value = values[i];
        const std::string name = "“" + recordHeaderCaption(i) + "”";
        if (value.find_first_of(",\r\n") != std::string::npos) {
            return name + "中含有逗号或换行，测站记录表头无法保存。请删去后再保存。";
        }
        const std::string outside = firstCharacterOutsideGbk(value);
        if (!outside.empty()) {
            return name + "中的字符“" + outside +
                   "”无法以 GBK 编码保存，测站记录表头无法保存。请改用其他字符。";
        }
    }
    return std::nullopt;
}

std::string recordHeaderText(const std::array<std::string, 39>& values) {
    std::string text;
    std::size_t index = 0;
    for (std::size_t l = 0; l < kRecordHeaderLineFields.size(); ++l) {
        for (std::size_t f = 0; f < kRecordHeaderLineFields[l]; ++f, ++index) {
            text += values[index].empty() ? std::string("*") : values[index];
            text += ',';
        }
        text.pop_back();
        if (l < 3) {
            text += "\r\n";
        }
    }
    return text;
}

std::optional<std::string> recordHeaderBytes(const std::array<std::string, 39>& values) {
    if (recordHeaderProblem(values)) {
        return std::nullopt;
    }
    return utf8ToGbk(recordHeaderText(values));
}

} // namespace tarnelo
