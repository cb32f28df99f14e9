// The root of the framework's objects and its owned components. Portable.
//
// Ownership: a component frees the components it owns (in reverse order of
// insertion) when it is destroyed, and leaves its owner's list first.
// While a form is read, every component it creates carries csLoading;
// Loaded clears it once the whole form has been read.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TObject {
public:
    virtual ~TObject() = default;
    // The framework class name ("TButton", "TFormMain"); the skin engine
    // selects by it and the form reader creates and checks classes by it.
    virtual std::wstring ClassName() const { return L"TObject"; }
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

enum TComponentStateFlag : uint8_t { csLoading = 1, csDestroying = 2 };

class TComponent : public TObject {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    std::wstring ClassName() const override { return L"TComponent"; }
    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const { return components_.at(static_cast<size_t>(index)); }
    TComponent* FindComponent(const std::wstring& name) const;
    const std::wstring& Name() const { return name_; }
    void SetName(std::wstring name) { name_ = std::move(name); }
    intptr_t Tag() const { return tag_; }
    void SetTag(intptr_t tag) { tag_ = tag; }
    uint8_t ComponentState() const { return state_; }
    // Marks the component as being read from a form (csLoading); the form reader calls it.
    void Loading() { state_ |= csLoading; }
    // Called once the component's properties have all been set (after a form is read).
    virtual void Loaded();
    // Called when the form that owns the component has made its window (the
    // form's own; its controls' windows may not exist yet), and again should
    // it make a new one: for components that need a window to ask.
    virtual void OwnerWindowCreated() {}

protected:
    uint8_t state_ = 0;

private:
    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    std::wstring name_;
    intptr_t tag_ = 0;
};
