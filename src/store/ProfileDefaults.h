#pragma once
// New and reset profile records: their ids, which no profile or library
// macro may already carry, and the defaults that depend on a record's place
// in the profile list.

#include "model/ProfileRecord.h"

#include <cstdint>

// A 24-bit id from the local time, shared by profiles and stored macros; never
// one that a profile or a library macro already carries. It asks the profile
// list and then the macro list, one lock at a time; a caller may hold the
// profile list's lock but not the macro list's (locks are taken profile list
// first).
uint32_t MakeProfileId();

// A record with magic, a new id, every default and an empty name.
void NewProfileRecord(ProfileRecord& out);
// Every field back to its default; a record in the profile list also gets the
// name of its position.
void ResetProfileDefaults(ProfileRecord& record);
// Keys, DPI levels and report rates of every profile in the list from the
// configuration of `sensorId`.
void RebaseProfilesOnSensor(uint32_t sensorId);
