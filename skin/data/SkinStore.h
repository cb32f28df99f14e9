// The skin store: several complete skin packages, each under a name, kept
// with a form so a skin data component can switch between them
// (TSkinData::LoadFromCollection). Portable: the component TSkinStore, its
// collection and the items.
//
// Ownership: the collection owns its items, an item owns its package bytes.
// Nothing checks that the bytes are a valid package; that shows only when a
// skin data component loads them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/Component.h"
#include "framework/system/ErrorsAndStrings.h"
#include "framework/system/StreamsAndLists.h"

class TSkinCollection;

class TSkinCollectionItem {
public:
    // Standard item construction: joins the collection with its next ID and
    // is named "SkinItem" + ID. Use TSkinCollection::Add.
    explicit TSkinCollectionItem(TSkinCollection* collection);
    ~TSkinCollectionItem();
    TSkinCollectionItem(const TSkinCollectionItem&) = delete;
    TSkinCollectionItem& operator=(const TSkinCollectionItem&) = delete;

    TSkinCollection* Collection() const { return collection_; }
    int ID() const { return id_; }
    int Index() const;
    std::wstring DisplayName() const { return FName; }

    // Published: Name, SkinData, DataSize.
    const std::wstring& Name() const { return FName; }
    // Raises EFrameworkError "The name <s> is already used." when another item of
    // the collection has exactly that name; the name is then unchanged.
    void SetName(const std::wstring& s);
    std::wstring SkinData() const { return L"Load Skin"; }
    void SetSkinData(const std::wstring&) {}
    int64_t DataSize() const { return static_cast<int64_t>(FData.Bytes().size()); }

    // Copies the name (without the uniqueness check) and the package bytes.
    void Assign(const TSkinCollectionItem& source);
    // All of FData from its first byte into target at target's position;
    // FData's position is the same afterwards, also when the copy fails.
    void CopyData(TMemoryStream& target) const;
    // FData := the file's bytes (EFOpenError when it cannot be opened).
    void LoadFromFile(const std::wstring& path);

    // The "DataStream" binary property: the whole package, always written.
    // Reading takes everything from the stream's position to its end.
    void ReadDataStream(TStream& stream);
    void WriteDataStream(TStream& stream) const;

    std::wstring FName;
    TMemoryStream FData;

private:
    TSkinCollection* collection_;
    int id_;
};

class TSkinCollection {
public:
    // owner: the store (TSkinStore on Windows); not owned.
    explicit TSkinCollection(void* owner = nullptr) : owner_(owner) {}
    ~TSkinCollection();
    TSkinCollection(const TSkinCollection&) = delete;
    TSkinCollection& operator=(const TSkinCollection&) = delete;

    void* Owner() const { return owner_; }
    TSkinCollectionItem* Add();
    int Count() const { return static_cast<int>(items_.size()); }
    TSkinCollectionItem* Items(int index) const { return items_.at(static_cast<size_t>(index)).get(); }
    void Delete(int index);
    void Clear();
    // Clear, then one new item per source item, filled by its Assign.
    void Assign(const TSkinCollection& source);

private:
    friend class TSkinCollectionItem;
    void* owner_;
    int nextId_ = 0;
    std::vector<std::unique_ptr<TSkinCollectionItem>> items_;
};

class TSkinStore : public TComponent {
public:
    explicit TSkinStore(TComponent* AOwner);
    ~TSkinStore() override;
    std::wstring ClassName() const override { return L"TSkinStore"; }

    // Published: Store. Setting copies the value's items; null is ignored.
    TSkinCollection& Store() { return *FStore; }
    void SetStore(const TSkinCollection* value);

    std::unique_ptr<TSkinCollection> FStore;
};
