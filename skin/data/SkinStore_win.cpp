#include "skin/data/SkinStore.h"

TSkinStore::TSkinStore(TComponent* AOwner) : TComponent(AOwner), FStore(std::make_unique<TSkinCollection>(this)) {}

TSkinStore::~TSkinStore() {
    FStore.reset();
}

void TSkinStore::SetStore(const TSkinCollection* value) {
    if (value) FStore->Assign(*value);
}
