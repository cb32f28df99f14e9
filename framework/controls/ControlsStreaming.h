// Registers the published properties of the framework's controls, forms
// and timers for the form reader and writer (framework/streaming). Windows
// only. Idempotent: every form that reads its resource calls it first.
#pragma once

void RegisterControlClasses();
