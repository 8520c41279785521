#pragma once

// Outcome of DiveProfile::loadProfile, the binary profile record of plan files.
enum class ProfileRecordStatus {
    Ok,
    Truncated, // the data ends inside a fixed-size field
    LengthTooLarge, // a text length or a gas or sample count exceeds the bytes left
    BadGasIndex, // a sample's gas index is outside -1 .. gases - 1
    BadSample, // a sample's time or depth is not a finite number
};
