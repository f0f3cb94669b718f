// COM automation by name, against objects that Windows and Wine both provide: the scripting
// runtime's Dictionary and FileSystemObject.
#include "platform/automation/system_objects.hpp"

#include "window/program_paths.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace tarnelo::automation {
namespace {

namespace fs = std::filesystem;

// An object of the program's own, which a COM object cannot be given.
struct OwnObject : Object {
    Outcome invoke(std::string_view, CallKind, std::span<const Variant>) override {
        return Outcome::ok();
    }
};

TEST(SystemObjects, EveryKindOfValueGoesInAndComesBackByName) {
    const SystemObjectThread apartment;
    EXPECT_TRUE(systemObjectRegistered("Scripting.Dictionary"));
    const Dispatch dictionary = createSystemObject("Scripting.Dictionary");
    ASSERT_TRUE(dictionary) << lastError();
    const Dispatch inner = createSystemObject("Scripting.Dictionary");
    ASSERT_TRUE(inner) << lastError();

    call(dictionary, "Add", {"文字", "测站 第58次"});
    call(dictionary, "Add", {"整数", Variant(std::int32_t{-7})});
    call(dictionary, "Add", {"真假", Variant(true)});
    call(dictionary, "Add", {"实数", Variant(0.1 + 0.2)});
    call(dictionary, "Add", {"空", Variant()});
    call(dictionary, "Add", {"对象", Variant(inner)});
    EXPECT_EQ(lastError(), "");
    EXPECT_EQ(get(dictionary, "Count"), Variant(std::int32_t{6}));
    EXPECT_EQ(get(dictionary, "Item", {"文字"}), Variant("测站 第58次"));
    EXPECT_EQ(get(dictionary, "Item", {"整数"}), Variant(std::int32_t{-7}));
    EXPECT_EQ(get(dictionary, "Item", {"真假"}), Variant(true));
    EXPECT_EQ(get(dictionary, "Item", {"实数"}), Variant(0.1 + 0.2));
    EXPECT_TRUE(get(dictionary, "Item", {"空"}).isEmpty());
    EXPECT_EQ(call(dictionary, "Exists", {"文字"}), Variant(true));
    EXPECT_EQ(call(dictionary, "Exists", {"没有"}), Variant(false));

    // An object that went in comes back as the same object.
    const Dispatch back = get(dictionary, "Item", {"对象"}).object();
    ASSERT_TRUE(back);
    call(back, "Add", {"k", Variant(std::int32_t{1})});
    EXPECT_EQ(get(inner, "Count"), Variant(std::int32_t{1}));

    put(dictionary, "Item", {"整数", Variant(std::int32_t{42})});
    EXPECT_EQ(lastError(), "");
    EXPECT_EQ(get(dictionary, "Item", {"整数"}), Variant(std::int32_t{42}));
}

TEST(SystemObjects, OmittedArgumentsTakeTheirDefaults) {
    const SystemObjectThread apartment;
    const Dispatch files = createSystemObject("Scripting.FileSystemObject");
    ASSERT_TRUE(files) << lastError();
    const fs::path file = fs::temp_directory_path() / "tarnelo-com-测试.txt";
    fs::remove(file);
    // CreateTextFile(FileName, [Overwrite], [Unicode]): Overwrite omitted, Unicode given.
    const Dispatch stream =
        call(files, "CreateTextFile", {paths::toUtf8(file), kOmitted, Variant(false)}).object();
    ASSERT_TRUE(stream) << lastError();
    call(stream, "Write", {"Tarnelo"});
    call(stream, "Close");
    EXPECT_EQ(lastError(), "");
    std::ifstream in(file, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    in.close();
    EXPECT_EQ(bytes, "Tarnelo");
    EXPECT_EQ(call(files, "FileExists", {paths::toUtf8(file)}), Variant(true));
    fs::remove(file);
}

TEST(SystemObjects, FailuresComeBackAsMessagesNamingTheMember) {
    const SystemObjectThread apartment;
    EXPECT_FALSE(systemObjectRegistered("Tarnelo.NoSuchProgram"));
    EXPECT_FALSE(createSystemObject("Tarnelo.NoSuchProgram"));
    EXPECT_EQ(lastError(),
              "Tarnelo.NoSuchProgram：没有安装（系统中没有注册这个程序）（0x800401F3）");

    const Dispatch dictionary = createSystemObject("Scripting.Dictionary");
    ASSERT_TRUE(dictionary) << lastError();
    get(dictionary, "NoSuchMember");
    EXPECT_EQ(lastError(), "NoSuchMember：没有这个成员，或不能这样调用（0x80020006）");

    call(dictionary, "Add", {"键", Variant(std::int32_t{1})});
    call(dictionary, "Add", {"键", Variant(std::int32_t{2})}); // the key is there already
    EXPECT_EQ(lastError().rfind("Add：", 0), 0u) << lastError();
    EXPECT_EQ(get(dictionary, "Item", {"键"}), Variant(std::int32_t{1}));

    call(dictionary, "Add", {"自己的", Variant(Dispatch(std::make_shared<OwnObject>()))});
    EXPECT_EQ(lastError(), "Add：第 2 个参数不能把程序自己的对象交给外部程序");
    EXPECT_EQ(call(dictionary, "Exists", {"自己的"}), Variant(false));
}

} // namespace
} // namespace tarnelo::automation
