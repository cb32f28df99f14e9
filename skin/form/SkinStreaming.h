// Registers the skin components with the form reader and writer: TSkinData
// (with its "SkinStream" package) and TSkinStore (items with "DataStream"),
// and hands the skin engine the property-by-name setter it uses to switch
// control properties. Idempotent.
#pragma once

void RegisterSkinDataClasses();
