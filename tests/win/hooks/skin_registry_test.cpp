// The registry of control skinning objects: each row makes an object of the
// class it names, the names are those the selection tables use, and no class
// has two rows.
#include <gtest/gtest.h>

// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <memory>
#include <set>
#include <string>

#include "framework/controls/FormsAndApplication.h"
#include "skin/controls/ControlSkinning.h"
#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinSelect.h"

namespace {

TEST(SkinControlRegistry, EachRowMakesTheClassItNames) {
    size_t count = 0;
    const TSkinControlRow* rows = SkinControlRegistry(count);
    ASSERT_NE(rows, nullptr);
    ASSERT_GT(count, 0u);
    std::set<TSkinControlClass> seen;
    TComponent owner(nullptr);
    for (size_t i = 0; i < count; ++i) {
        const TSkinControlRow& row = rows[i];
        const std::wstring name = row.Name;
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        EXPECT_TRUE(seen.insert(row.Class).second) << "one row per class";
        EXPECT_EQ(name, SkinControlClassName(row.Class)) << "the tables' name for the class";
        std::unique_ptr<TSkinControl> made(row.Make(&owner));
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(made->ClassName(), name);
        EXPECT_EQ(made->Owner(), &owner);
    }
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    InitCommonControls();
    Application->Initialize();
    InstallControlSkinning();
    return RUN_ALL_TESTS();
}
