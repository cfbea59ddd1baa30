// ReleaseSlot: releases the COM object a slot holds, if any, and empties the slot, so that
// teardown can run again, or run after a partial build, without a double release.
#pragma once

template <typename T>
void ReleaseSlot(T*& slot)
{
    if (slot != nullptr) {
        slot->Release();
        slot = nullptr;
    }
}
