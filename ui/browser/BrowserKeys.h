// The keys a store page never sees: refresh (F5) and open, print and new window (Ctrl+O,
// Ctrl+P, Ctrl+N). Every other key is the engine's.
#pragma once

#include <Qt>

bool IsSwallowedBrowserKey(int key, Qt::KeyboardModifiers modifiers);
