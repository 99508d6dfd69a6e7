// The save-slot dialog's choice without a window: the slot remembered
// between showings and the result of one showing.
#pragma once

#include <string>

constexpr int SlotCount = 8;

// The registry subkey of a slot: "States" and the number.
std::string SlotSection(int slot);
// A stored DefaultSlot as a slot: outside 1 .. 8 (a hand-edited or damaged
// value) it is slot 1.
int SlotFromStored(int stored);

class SlotChoice {
public:
    enum Result { Cancelled = 0, NotSaved = 1, SlotChosen = 2 };
    // Each showing starts as cancelled.
    void Shown() { result_ = Cancelled; }
    // The picture a slot button shows: 3 marks the remembered slot, else 1.
    int ButtonState(int slotTag) const { return slotTag == slot_ ? 3 : 1; }
    void Choose(int slotTag);
    void No() { result_ = NotSaved; }
    int DialogResult() const { return result_; }
    int Slot() const { return slot_; }
    void SetSlot(int slot) { slot_ = SlotFromStored(slot); }

private:
    int result_ = Cancelled;
    int slot_ = 1;
};
