// A form holding a skin data component and a skin store, written as form
// data and read back: names, every published property and the packages come
// back the same, and writing the copy gives the same bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/streaming/FormReadWrite.h"
#include "framework/streaming/PublishedProperties.h"
#include "framework/system/CodePage.h"
#include "skin/data/SkinStore.h"
#include "skin/form/SkinData_win.h"
#include "skin/form/SkinManager.h"
#include "skin/form/SkinStreaming.h"
#include "tools/skinpack/SkinPack.h"

namespace {

class TSkinHolder : public TComponent {
public:
    using TComponent::TComponent;
    std::wstring ClassName() const override { return L"TSkinHolder"; }
};

void Register() {
    static const bool done = [] {
        RegisterSkinDataClasses();
        RegisterClassInfo<TSkinHolder>(L"TSkinHolder", L"TComponent");
        return true;
    }();
    (void)done;
}

std::vector<uint8_t> Pack(const std::string& fixture) {
    const auto folder = std::filesystem::path(TEST_SOURCE_DIR) / ".." / ".." / "native" / "skin_objects" / "fixtures" / fixture;
    const auto file = std::filesystem::path(TEST_BINARY_DIR) / (fixture + ".skin");
    EXPECT_EQ(BuildSkinPackage(folder, file), "");
    TFileStream in(file.wstring(), fmOpenRead);
    std::vector<uint8_t> bytes(static_cast<size_t>(in.Size()));
    in.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    return bytes;
}

// The bytes of the skin stream d writes.
std::vector<uint8_t> WrittenSkinStream(const TSkinData& d) {
    TMemoryStream s;
    d.WriteSkinStream(s);
    return s.Bytes();
}

std::vector<uint8_t> DataOf(const TSkinCollectionItem& item) {
    TMemoryStream s;
    item.CopyData(s);
    return s.Bytes();
}

}  // namespace

TEST(SkinStreaming, SkinDataAndStoreComeBackIdentical) {
    Register();
    const auto full = Pack("full"), comboOnly = Pack("combo_only");

    TSkinHolder original(nullptr);
    original.SetName(L"Holder");
    auto* data = new TSkinData(&original);
    data->SetName(L"SkinData1");
    data->SetDisableTag(7);
    data->SetSkinFormtype(sfDialog);
    data->SetMenuMerge(true);
    data->SetOptions(TSkinOptions::FromBits(0x9));
    data->SetSkinControls(TSkinControlTypes::FromBits(0x30F));
    TStringList third;
    third.Add(L"TMyGrid=scrollbar");
    third.Add(L"TMyEdit=Edit");
    data->SetSkin3rd(third);
    TMemoryStream package;
    package.WriteBuffer(full.data(), static_cast<int64_t>(full.size()));
    data->LoadFromStream(package);
    ASSERT_FALSE(data->Empty);

    auto* store = new TSkinStore(&original);
    store->SetName(L"SkinStore1");
    const std::pair<const wchar_t*, const std::vector<uint8_t>*> items[] = {{L"Full", &full}, {L"Combo", &comboOnly}};
    for (const auto& [name, bytes] : items) {
        TSkinCollectionItem* item = store->Store().Add();
        item->SetName(name);
        TMemoryStream s;
        s.WriteBuffer(bytes->data(), static_cast<int64_t>(bytes->size()));
        s.SetPosition(0);
        item->ReadDataStream(s);
    }

    const std::vector<uint8_t> written = WriteComponentData(original);
    TSkinHolder copy(nullptr);
    copy.SetName(L"Holder");
    ReadComponentData(written.data(), written.size(), copy);

    ASSERT_EQ(copy.ComponentCount(), 2);
    auto* data2 = dynamic_cast<TSkinData*>(copy.Components(0));
    auto* store2 = dynamic_cast<TSkinStore*>(copy.Components(1));
    ASSERT_NE(data2, nullptr);
    ASSERT_NE(store2, nullptr);
    EXPECT_EQ(data2->Name(), L"SkinData1");
    EXPECT_EQ(store2->Name(), L"SkinStore1");
    for (const wchar_t* prop : {L"Active", L"DisableTag", L"SkinControls", L"Options", L"SkinFile", L"SkinStore",
                                L"SkinFormtype", L"Version", L"MenuUpdate", L"MenuMerge"})
        EXPECT_EQ(GetPropText(*data2, prop), GetPropText(*data, prop)) << "property " << WideToUtf8(prop);
    EXPECT_EQ(data2->Skin3rd().Text(), third.Text());
    EXPECT_EQ(WrittenSkinStream(*data2), WrittenSkinStream(*data));
    EXPECT_FALSE(data2->Empty) << "the copy built its skin from the package it read";

    ASSERT_EQ(store2->Store().Count(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(store2->Store().Items(i)->Name(), items[i].first);
        EXPECT_EQ(DataOf(*store2->Store().Items(i)), *items[i].second) << "item " << i;
    }
    EXPECT_EQ(WriteComponentData(copy), written) << "writing the copy gives the same bytes";
    FreeSkinManager();
}

TEST(SkinStreaming, PropertyByNameSwitchesEnumerations) {
    Register();
    TSkinHolder holder(nullptr);
    auto* data = new TSkinData(&holder);
    data->ChangeProperty(data, L"SkinFormtype", L"sfOnlyThisForm");
    EXPECT_EQ(data->SkinFormtype(), sfOnlyThisForm);
    data->ChangeProperty(data, L"NoSuchProperty", L"x");  // ignored
    data->ChangeProperty(data, L"SkinFormtype", L"sfNoSuchValue");
    EXPECT_EQ(data->SkinFormtype(), sfOnlyThisForm);
    FreeSkinManager();
}
