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
    const Outcome made = createSystemObject("Scripting.Dictionary");
    const Dispatch dictionary = made.object();
    ASSERT_TRUE(dictionary) << made.error;
    const Outcome madeInner = createSystemObject("Scripting.Dictionary");
    const Dispatch inner = madeInner.object();
    ASSERT_TRUE(inner) << madeInner.error;

    EXPECT_EQ(call(dictionary, "Add", {"文字", "测站 第58次"}).error, "");
    EXPECT_EQ(call(dictionary, "Add", {"整数", Variant(std::int32_t{-7})}).error, "");
    EXPECT_EQ(call(dictionary, "Add", {"真假", Variant(true)}).error, "");
    EXPECT_EQ(call(dictionary, "Add", {"实数", Variant(0.1 + 0.2)}).error, "");
    EXPECT_EQ(call(dictionary, "Add", {"空", Variant()}).error, "");
    EXPECT_EQ(call(dictionary, "Add", {"对象", Variant(inner)}).error, "");
    EXPECT_EQ(get(dictionary, "Count").value, Variant(std::int32_t{6}));
    EXPECT_EQ(get(dictionary, "Item", {"文字"}).value, Variant("测站 第58次"));
    EXPECT_EQ(get(dictionary, "Item", {"整数"}).value, Variant(std::int32_t{-7}));
    EXPECT_EQ(get(dictionary, "Item", {"真假"}).value, Variant(true));
    EXPECT_EQ(get(dictionary, "Item", {"实数"}).value, Variant(0.1 + 0.2));
    EXPECT_TRUE(get(dictionary, "Item", {"空"}).value.isEmpty());
    EXPECT_EQ(call(dictionary, "Exists", {"文字"}).value, Variant(true));
    EXPECT_EQ(call(dictionary, "Exists", {"没有"}).value, Variant(false));

    // An object that went in comes back as the same object.
    const Dispatch back = get(dictionary, "Item", {"对象"}).object();
    ASSERT_TRUE(back);
    call(back, "Add", {"k", Variant(std::int32_t{1})});
    EXPECT_EQ(get(inner, "Count").value, Variant(std::int32_t{1}));

    EXPECT_EQ(put(dictionary, "Item", {"整数", Variant(std::int32_t{42})}).error, "");
    EXPECT_EQ(get(dictionary, "Item", {"整数"}).value, Variant(std::int32_t{42}));
}

TEST(SystemObjects, OmittedArgumentsTakeTheirDefaults) {
    const SystemObjectThread apartment;
    const Outcome made = createSystemObject("Scripting.FileSystemObject");
    const Dispatch files = made.object();
    ASSERT_TRUE(files) << made.error;
    const fs::path file = fs::temp_directory_path() / "tarnelo-com-测试.txt";
    fs::remove(file);
    // CreateTextFile(FileName, [Overwrite], [Unicode]): Overwrite omitted, Unicode given.
    const Outcome created =
        call(files, "CreateTextFile", {paths::toUtf8(file), kOmitted, Variant(false)});
    const Dispatch stream = created.object();
    ASSERT_TRUE(stream) << created.error;
    EXPECT_EQ(call(stream, "Write", {"Tarnelo"}).error, "");
    EXPECT_EQ(call(stream, "Close").error, "");
    std::ifstream in(file, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    in.close();
    EXPECT_EQ(bytes, "Tarnelo");
    EXPECT_EQ(call(files, "FileExists", {paths::toUtf8(file)}).value, Variant(true));
    fs::remove(file);
}

TEST(SystemObjects, FailuresComeBackAsMessagesNamingTheMember) {
    const SystemObjectThread apartment;
    EXPECT_FALSE(systemObjectRegistered("Tarnelo.NoSuchProgram"));
    const Outcome absent = createSystemObject("Tarnelo.NoSuchProgram");
    EXPECT_FALSE(absent.object());
    EXPECT_EQ(absent.error,
              "Tarnelo.NoSuchProgram：没有安装（系统中没有注册这个程序）（0x800401F3）");

    const Outcome made = createSystemObject("Scripting.Dictionary");
    const Dispatch dictionary = made.object();
    ASSERT_TRUE(dictionary) << made.error;
    EXPECT_EQ(get(dictionary, "NoSuchMember").error,
              "NoSuchMember：没有这个成员，或不能这样调用（0x80020006）");

    call(dictionary, "Add", {"键", Variant(std::int32_t{1})});
    // The key is there already.
    const Outcome again = call(dictionary, "Add", {"键", Variant(std::int32_t{2})});
    EXPECT_EQ(again.error.rfind("Add：", 0), 0u) << again.error;
    EXPECT_EQ(get(dictionary, "Item", {"键"}).value, Variant(std::int32_t{1}));

    EXPECT_EQ(
        call(dictionary, "Add", {"自己的", Variant(Dispatch(std::make_shared<OwnObject>()))}).error,
        "Add：第 2 个参数不能把程序自己的对象交给外部程序");
    EXPECT_EQ(call(dictionary, "Exists", {"自己的"}).value, Variant(false));
}

} // namespace
} // namespace tarnelo::automation
