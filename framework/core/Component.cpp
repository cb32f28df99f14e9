#include "framework/core/Component.h"

#include <algorithm>

#include "framework/system/ErrorsAndStrings.h"

TComponent::TComponent(TComponent* AOwner) : owner_(AOwner) {
    if (owner_) owner_->components_.push_back(this);
}

TComponent::~TComponent() {
    state_ |= csDestroying;
    // Each owned component leaves this list itself when it goes.
    while (!components_.empty()) delete components_.back();
    if (owner_) {
        auto& list = owner_->components_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

TComponent* TComponent::FindComponent(const std::wstring& name) const {
    for (TComponent* c : components_)
        if (!name.empty() && SameTextAscii(c->Name(), name)) return c;
    return nullptr;
}

void TComponent::Loaded() {
    state_ &= static_cast<uint8_t>(~csLoading);
}
