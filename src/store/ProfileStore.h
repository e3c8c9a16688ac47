#pragma once
// The five profiles: the profile list in memory, pro.dct and curid.dct in the
// data folder, and the current-profile pointer.
//
// The list is shared by the window thread, the configuration reader (which
// replaces profile 0) and the apply worker (which saves the store). Code on a
// worker copies a whole record out and back with CopyProfileOut/CopyProfileIn;
// code that works on an element in place holds g_ProfileList.Lock(). When both
// list locks are needed, the profile list's is taken first.

#include "model/ProfileRecord.h"
#include "store/CMyList.h"

#include <atomic>
#include <cstdint>
#include <string_view>

constexpr int kProfileCount = 5;
constexpr size_t kProfileStoreBytes = kProfileCount * sizeof(ProfileRecord);
static_assert(kProfileStoreBytes == 14960);

extern CMyList<ProfileRecord> g_ProfileList;
// The profile the pages show: an element of the list, or nullptr.
extern std::atomic<ProfileRecord*> g_pCurProfile;

// Clears the list and fills it with the valid slots of pro.dct.
void LoadProfiles();
// The same from the bytes of a store; anything but 14960 bytes loads nothing.
void LoadProfileImage(std::string_view bytes);
// Writes pro.dct from the first five profiles with an id; nothing when there
// is none. False when the file could not be written (the old one then stays).
bool SaveProfiles();
// Writes curid.dct from g_pCurProfile; nothing when there is none.
bool SaveCurId();
// The id in curid.dct, 0 when there is none.
uint32_t LoadCurId();
// LoadProfiles, then five new profiles when the store held none; "error 889"
// when the list does not hold five profiles.
void InitProfiles();

// Thread-safe whole-record copies by list position; false when there is no
// profile at `index`.
bool CopyProfileOut(int index, ProfileRecord& out);
bool CopyProfileIn(int index, const ProfileRecord& record);

// True when a profile in the list carries `id`.
bool ProfileIdInUse(uint32_t id);

// Empties the list and forgets the current profile (exit, tests).
void ClearProfiles();
