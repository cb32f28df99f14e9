#include "skin/form/SkinStreaming.h"

#include <vector>

#include "framework/streaming/FormReadWrite.h"
#include "framework/streaming/PublishedProperties.h"
#include "skin/data/SkinStore.h"
#include "skin/form/SkinData_win.h"

namespace {

template <size_t N>
std::vector<std::wstring> Names(const wchar_t* const (&names)[N]) {
    return std::vector<std::wstring>(names, names + N);
}

}  // namespace

void RegisterSkinDataClasses() {
    static const bool registered = [] {
        RegisterClassInfo<TSkinData>(L"TSkinData", L"TComponent")
            .Creatable()
            .Bool(L"Active", &TSkinData::Active, &TSkinData::SetActive)
            .Integer(L"DisableTag", &TSkinData::DisableTag, &TSkinData::SetDisableTag)
            .Set(L"SkinControls", [](TSkinData& d) { return d.SkinControls().Bits(); },
                 [](TSkinData& d, uint32_t bits) { d.SetSkinControls(TSkinControlTypes::FromBits(bits)); },
                 Names(kSkinControlTypeNames))
            .Set(L"Options", [](TSkinData& d) { return d.Options().Bits(); },
                 [](TSkinData& d, uint32_t bits) { d.SetOptions(TSkinOptions::FromBits(bits)); },
                 Names(kSkinOptionNames))
            .Strings(L"Skin3rd", &TSkinData::Skin3rd, &TSkinData::SetSkin3rd)
            // An empty path is never stored: read back it would switch the stored skin off.
            .String(L"SkinFile", &TSkinData::SkinFile, &TSkinData::SetSkinFile)
            .DefaultText(L"")
            .String(L"SkinStore", &TSkinData::SkinStore, &TSkinData::SetSkinStore)
            .Enum(L"SkinFormtype", &TSkinData::SkinFormtype, &TSkinData::SetSkinFormtype, Names(kSkinFormTypeNames))
            .String(L"Version", &TSkinData::Version, &TSkinData::SetVersion)
            .Bool(L"MenuUpdate", &TSkinData::MenuUpdate, &TSkinData::SetMenuUpdate)
            .Bool(L"MenuMerge", &TSkinData::MenuMerge, &TSkinData::SetMenuMerge)
            .Event(L"OnFormSkin", &TSkinData::OnFormSkin)
            .Event(L"OnSkinChanged", &TSkinData::OnSkinChanged)
            .Event(L"OnSkinControl", &TSkinData::OnSkinControl)
            .Event(L"OnBeforeSkinForm", &TSkinData::OnBeforeSkinForm)
            .Event(L"OnAfterSkinForm", &TSkinData::OnAfterSkinForm)
            .DefineProperties([](TSkinData& d, TFiler& filer) {
                filer.DefineBinaryProperty(
                    L"SkinStream", [&d](TStream& s) { d.ReadSkinStream(s); },
                    [&d](TStream& s) { d.WriteSkinStream(s); }, true);
            });

        RegisterClassInfo<TSkinCollectionItem>(L"TSkinCollectionItem", L"")
            .String(L"Name", &TSkinCollectionItem::Name, &TSkinCollectionItem::SetName)
            .String(L"SkinData", &TSkinCollectionItem::SkinData, &TSkinCollectionItem::SetSkinData)
            .StoredWhen([](TSkinCollectionItem&) { return false; })
            .Integer(L"DataSize", &TSkinCollectionItem::DataSize, nullptr)
            .DefineProperties([](TSkinCollectionItem& item, TFiler& filer) {
                filer.DefineBinaryProperty(
                    L"DataStream", [&item](TStream& s) { item.ReadDataStream(s); },
                    [&item](TStream& s) { item.WriteDataStream(s); }, true);
            });
        RegisterClassInfo<TSkinStore>(L"TSkinStore", L"TComponent")
            .Creatable()
            .Collection<TSkinCollectionItem>(
                L"Store", L"TSkinCollectionItem", [](TSkinStore& s) { return s.Store().Count(); },
                [](TSkinStore& s, int i) { return s.Store().Items(i); }, [](TSkinStore& s) { return s.Store().Add(); },
                [](TSkinStore& s) { s.Store().Clear(); });

        SetSkinPropertySetter([](TObject* obj, const std::wstring& prop, const std::wstring& value) {
            return obj && SetPropText(*obj, prop, value);
        });
        return true;
    }();
    (void)registered;
}
