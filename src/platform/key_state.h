#pragma once

namespace velira
{

// Whether a key is held at this moment. Keys are named by their Windows
// virtual-key codes (see platform/virtual_keys.h), which the key-handling rules
// are written in.
class KeyState
{
public:
	virtual ~KeyState() = default;
	virtual bool IsKeyDown(int virtual_key) const = 0;
};

// The modifier keys held with a key event.
struct ShiftState {
	bool shift = false;
	bool alt = false;
	bool ctrl = false;
};

} // namespace velira
