#pragma once
// A profile record as JSON, field by field (profile show; the device read
// prints the same).

#include "Json.h"

#include "model/ProfileRecord.h"

void WriteProfileJson(JsonWriter& json, const ProfileRecord& profile);
void WriteKeyInfoJson(JsonWriter& json, const KeyInfo& key);
