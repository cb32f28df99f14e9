#include "skin/data/SkinStore.h"

#include <algorithm>

TSkinCollectionItem::TSkinCollectionItem(TSkinCollection* collection)
    : collection_(collection), id_(collection->nextId_++) {
    FName = L"SkinItem" + IntToStr(id_);
}

TSkinCollectionItem::~TSkinCollectionItem() = default;

int TSkinCollectionItem::Index() const {
    const auto& items = collection_->items_;
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].get() == this) return static_cast<int>(i);
    return -1;
}

void TSkinCollectionItem::SetName(const std::wstring& s) {
    if (s == FName) return;
    for (const auto& item : collection_->items_)
        if (item.get() != this && item->FName == s) throw EFrameworkError(L"The name " + s + L" is already used.");
    FName = s;
}

void TSkinCollectionItem::Assign(const TSkinCollectionItem& source) {
    if (&source == this) return;
    FName = source.FName;
    FData.Clear();
    source.CopyData(FData);
}

void TSkinCollectionItem::CopyData(TMemoryStream& target) const {
    // Straight from the buffer: FData's position is never moved, so it is
    // the same afterwards whatever happens to the copy.
    const auto& bytes = FData.Bytes();
    if (!bytes.empty()) target.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TSkinCollectionItem::LoadFromFile(const std::wstring& path) {
    TFileStream file(path, fmOpenRead | fmShareDenyWrite);
    FData.Clear();
    const int64_t size = file.Size();
    if (size > 0) FData.CopyFrom(file, size);
    FData.SetPosition(0);
}

void TSkinCollectionItem::ReadDataStream(TStream& stream) {
    FData.Clear();
    const int64_t rest = stream.Size() - stream.Position();
    if (rest > 0) FData.CopyFrom(stream, rest);
    FData.SetPosition(0);
}

void TSkinCollectionItem::WriteDataStream(TStream& stream) const {
    const auto& bytes = FData.Bytes();
    if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

TSkinCollection::~TSkinCollection() = default;

TSkinCollectionItem* TSkinCollection::Add() {
    items_.push_back(std::make_unique<TSkinCollectionItem>(this));
    return items_.back().get();
}

void TSkinCollection::Delete(int index) {
    items_.erase(items_.begin() + index);
}

void TSkinCollection::Clear() {
    items_.clear();
}

void TSkinCollection::Assign(const TSkinCollection& source) {
    if (&source == this) return;
    Clear();
    for (const auto& item : source.items_) Add()->Assign(*item);
}

TSkinStore::TSkinStore(TComponent* AOwner) : TComponent(AOwner), FStore(std::make_unique<TSkinCollection>(this)) {}

TSkinStore::~TSkinStore() {
    FStore.reset();
}

void TSkinStore::SetStore(const TSkinCollection* value) {
    if (value) FStore->Assign(*value);
}
