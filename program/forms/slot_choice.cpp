#include "forms/slot_choice.h"

std::string SlotSection(int slot) { return "States" + std::to_string(slot); }

int SlotFromStored(int stored) { return stored >= 1 && stored <= SlotCount ? stored : 1; }

void SlotChoice::Choose(int slotTag) {
    if (slotTag < 1 || slotTag > SlotCount) return;
    slot_ = slotTag;
    result_ = SlotChosen;
}
