// The skin store's collection: names, assignment, copying and the
// DataStream form, and a skin data core loading from it.
#include <gtest/gtest.h>

#include "fixture_skins.h"
#include "skin/data/SkinStore.h"

namespace {

void Put(TSkinCollectionItem& item, const Bytes& bytes) {
    item.FData.Clear();
    item.FData.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

}  // namespace

TEST(SkinStore, NamesAreUnique) {
    TSkinCollection store;
    TSkinCollectionItem* a = store.Add();
    TSkinCollectionItem* b = store.Add();
    EXPECT_EQ(a->Name(), L"SkinItem0");
    EXPECT_EQ(b->Name(), L"SkinItem1");
    EXPECT_EQ(b->DisplayName(), L"SkinItem1");
    EXPECT_EQ(b->Index(), 1);

    try {
        b->SetName(L"SkinItem0");
        FAIL() << "a duplicate name was accepted";
    } catch (const EFrameworkError& e) {
        EXPECT_EQ(e.Message(), L"The name SkinItem0 is already used.");
    }
    EXPECT_EQ(b->Name(), L"SkinItem1");
    b->SetName(L"SKINITEM0");  // differs in case only: another name
    EXPECT_EQ(b->Name(), L"SKINITEM0");
    a->SetName(L"SkinItem0");  // its own name
    EXPECT_EQ(a->Name(), L"SkinItem0");

    // IDs go on counting after items are removed.
    store.Clear();
    EXPECT_EQ(store.Add()->Name(), L"SkinItem2");

    EXPECT_EQ(a = store.Items(0), store.Items(0));
    a->SetSkinData(L"C:\\skins\\x.skn");
    EXPECT_EQ(a->SkinData(), L"Load Skin");
}

TEST(SkinStore, AssignCopiesNamesAndBytes) {
    TSkinCollection source;
    Put(*source.Add(), {1, 2, 3});
    Put(*source.Add(), {4, 5});
    source.Items(1)->FData.SetPosition(1);

    TSkinCollection target;
    target.Add()->SetName(L"Mine");
    target.Assign(source);
    ASSERT_EQ(target.Count(), 2);
    EXPECT_EQ(target.Items(0)->Name(), L"SkinItem0");
    EXPECT_EQ(target.Items(1)->Name(), L"SkinItem1");
    EXPECT_EQ(target.Items(0)->FData.Bytes(), (Bytes{1, 2, 3}));
    EXPECT_EQ(target.Items(1)->FData.Bytes(), (Bytes{4, 5}));
    EXPECT_EQ(target.Items(1)->DataSize(), 2);
    EXPECT_EQ(source.Items(1)->FData.Position(), 1);

    // Item assignment takes the name even when another item has it.
    target.Items(0)->Assign(*target.Items(1));
    EXPECT_EQ(target.Items(0)->Name(), L"SkinItem1");
    EXPECT_EQ(target.Items(0)->FData.Bytes(), (Bytes{4, 5}));
}

TEST(SkinStore, CopyDataAndTheDataStreamForm) {
    TSkinCollection store;
    TSkinCollectionItem& item = *store.Add();
    Put(item, {9, 8, 7, 6});
    item.FData.SetPosition(3);

    TMemoryStream target;
    target.WriteBuffer("ab", 2);
    item.CopyData(target);
    EXPECT_EQ(target.Bytes(), (Bytes{'a', 'b', 9, 8, 7, 6}));
    EXPECT_EQ(item.FData.Position(), 3);

    TMemoryStream property;
    item.WriteDataStream(property);
    EXPECT_EQ(property.Bytes(), (Bytes{9, 8, 7, 6}));
    TSkinCollectionItem& other = *store.Add();
    Put(other, {1});
    property.SetPosition(0);
    other.ReadDataStream(property);
    EXPECT_EQ(other.FData.Bytes(), (Bytes{9, 8, 7, 6}));

    // An empty item writes nothing and reads back empty.
    TMemoryStream empty;
    TSkinCollectionItem& blank = *store.Add();
    blank.WriteDataStream(empty);
    EXPECT_EQ(empty.Size(), 0);
    blank.ReadDataStream(empty);
    EXPECT_EQ(blank.DataSize(), 0);
}

TEST(SkinStore, LoadFromFileAndIntoSkinData) {
    const Bytes full = PackFixture("full");
    TSkinCollection store;
    store.Add()->LoadFromFile((std::filesystem::path(TEST_BINARY_DIR) / "full.skin").wstring());
    EXPECT_EQ(store.Items(0)->FData.Bytes(), full);
    Put(*store.Add(), {1, 2, 3});  // not a package: nothing checks that here
    EXPECT_THROW(store.Items(1)->LoadFromFile(L"/no/such/file.skin"), EFOpenError);
    EXPECT_EQ(store.Items(1)->FData.Bytes(), (Bytes{1, 2, 3}));

    TSkinDataCore d;
    SetBytes(d, PackFixture("sunk_only"));
    ASSERT_TRUE(d.LoadSkin());
    // An index past the last item (or below 0) loads nothing.
    for (int index : {2, -1}) {
        EXPECT_FALSE(d.SetDataFromCollection(store, index)) << "index " << index;
        EXPECT_FALSE(d.Empty) << "index " << index;
        EXPECT_EQ(d.SkinName, L"Sunk only") << "index " << index;
    }
    ASSERT_TRUE(d.SetDataFromCollection(store, 0));
    EXPECT_TRUE(d.Empty);
    ASSERT_TRUE(d.LoadSkin());
    EXPECT_EQ(d.SkinName, L"Fixture Full");
    EXPECT_EQ(d.data.Bytes(), full);
}

TEST(SkinStore, TheComponentOwnsItsCollection) {
    TComponent form(nullptr);
    auto* store = new TSkinStore(&form);  // owned and freed by the form
    EXPECT_EQ(store->ClassName(), L"TSkinStore");
    EXPECT_EQ(store->Store().Owner(), store);
    EXPECT_EQ(store->Store().Count(), 0);
    store->Store().Add();

    // Setting Store copies the items; null changes nothing.
    TSkinCollection other;
    other.Add()->SetName(L"Copied");
    Put(*other.Items(0), {4, 2});
    store->SetStore(&other);
    ASSERT_EQ(store->Store().Count(), 1);
    EXPECT_EQ(store->Store().Items(0)->Name(), L"Copied");
    EXPECT_EQ(store->Store().Items(0)->FData.Bytes(), (Bytes{4, 2}));
    EXPECT_NE(store->Store().Items(0), other.Items(0));
    store->SetStore(nullptr);
    EXPECT_EQ(store->Store().Count(), 1);
}
