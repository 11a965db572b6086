#include "Exceptions.h"
#include "GuiTestSupport.h"
#include "Registry.h"

#include <gtest/gtest.h>

namespace {

using tvmtest::MessageOf;

const char* const TestsKey = "\\Software\\TavelomaticTests";

// Every test works below HKCU\Software\TavelomaticTests and removes it afterwards.
class RegistryTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        TRegistry cleaner;
        cleaner.DeleteKey(TestsKey);
        EXPECT_FALSE(cleaner.KeyExists(TestsKey));
    }
};

TEST_F(RegistryTest, WritesAndReadsValuesOfAnOpenKey)
{
    TRegistry reg;
    EXPECT_EQ(reg.GetRootKey(), HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKey("\\Software\\TavelomaticTests\\Values", true));
    EXPECT_EQ(reg.GetCurrentPath(), "Software\\TavelomaticTests\\Values");

    EXPECT_FALSE(reg.ValueExists("C:\\Program Files\\tvmpro.exe"));
    EXPECT_EQ(reg.ReadString("C:\\Program Files\\tvmpro.exe"), "");
    reg.WriteString("C:\\Program Files\\tvmpro.exe", "WINXPSP3");
    EXPECT_TRUE(reg.ValueExists("C:\\Program Files\\tvmpro.exe"));
    EXPECT_EQ(reg.ReadString("C:\\Program Files\\tvmpro.exe"), "WINXPSP3");
    reg.WriteString("", "default value");
    EXPECT_EQ(reg.ReadString(""), "default value");
    reg.WriteString("empty", "");
    EXPECT_TRUE(reg.ValueExists("empty"));
    EXPECT_EQ(reg.ReadString("empty"), "");

    reg.WriteInteger("Number", -5);
    EXPECT_EQ(reg.ReadInteger("Number"), -5);
    EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.ReadInteger("Missing"); }),
              "Failed to get data for 'Missing'");
    EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.ReadInteger("empty"); }), "Invalid data type for 'empty'");
    EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.ReadString("Number"); }), "Invalid data type for 'Number'");

    EXPECT_TRUE(reg.DeleteValue("Number"));
    EXPECT_FALSE(reg.ValueExists("Number"));
    EXPECT_FALSE(reg.DeleteValue("Number"));
}

TEST_F(RegistryTest, PathsAreRelativeToTheOpenKeyUnlessTheyStartWithABackslash)
{
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey("\\Software\\TavelomaticTests", false));
    ASSERT_TRUE(reg.OpenKey("Software\\TavelomaticTests", true));  // no key open: from the root
    ASSERT_TRUE(reg.OpenKey("Child", true));
    EXPECT_EQ(reg.GetCurrentPath(), "Software\\TavelomaticTests\\Child");
    reg.WriteString("where", "child");

    EXPECT_FALSE(reg.OpenKey("Absent", false));
    EXPECT_EQ(reg.GetCurrentPath(), "Software\\TavelomaticTests\\Child");  // still open
    EXPECT_TRUE(reg.KeyExists("\\Software\\TavelomaticTests\\Child"));
    EXPECT_FALSE(reg.KeyExists("Child"));  // that would be Child\Child

    ASSERT_TRUE(reg.OpenKey("\\Software\\TavelomaticTests", false));
    EXPECT_EQ(reg.GetCurrentPath(), "Software\\TavelomaticTests");
    EXPECT_TRUE(reg.KeyExists("Child"));
    ASSERT_TRUE(reg.OpenKeyReadOnly("Child"));
    EXPECT_EQ(reg.ReadString("where"), "child");
    EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.WriteString("where", "x"); }),
              "Failed to set data for 'where'");

    reg.CloseKey();
    EXPECT_EQ(reg.GetCurrentPath(), "");
    EXPECT_FALSE(reg.ValueExists("where"));
    ASSERT_TRUE(reg.OpenKey("\\Software\\TavelomaticTests\\Child\\Deeper", true));
    EXPECT_TRUE(reg.DeleteKey("\\Software\\TavelomaticTests\\Child"));  // with its subkeys
    EXPECT_FALSE(reg.KeyExists("\\Software\\TavelomaticTests\\Child"));
}

TEST_F(RegistryTest, ChangingTheRootClosesTheKey)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(TestsKey, true));
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(reg.GetCurrentKey(), nullptr);
    EXPECT_EQ(reg.GetCurrentPath(), "");
    reg.SetRootKey(HKEY_CURRENT_USER);
    EXPECT_TRUE(reg.KeyExists(TestsKey));
}

}
