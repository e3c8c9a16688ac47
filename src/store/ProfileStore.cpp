#include "store/ProfileStore.h"

#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Text.h"
#include "settings/Log.h"
#include "settings/TextTable.h"
#include "store/AppDataDir.h"
#include "store/ProfileDefaults.h"
#include "store/SaveFailures.h"

#include <cerrno>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

CMyList<ProfileRecord> g_ProfileList;
std::atomic<ProfileRecord*> g_pCurProfile{nullptr};

namespace {

const char16_t kProFile[] = u"pro.dct";
const char16_t kCurIdFile[] = u"curid.dct";

// The apply worker saves after each apply while the window saves on its own
// commands and at exit. Both write through the same temporary file, so one
// save at a time: the later one takes its copy of the list last and wins.
std::mutex g_saveMutex;

// Reads the whole store when the file has exactly its size. A file of
// another size is not read at all, however large it is.
bool ReadStore(std::string& bytes) {
    platform::FilePtr f = platform::OpenFile(g_szAppDataDir + kProFile, "rb");
    if (!f) {
        settings::WriteLog("Open pro file err=%d", errno);
        return false;
    }
    if (std::fseek(f.get(), 0, SEEK_END) != 0 || std::ftell(f.get()) != long(kProfileStoreBytes) ||
        std::fseek(f.get(), 0, SEEK_SET) != 0) {
        settings::WriteLog("Profile has wrong size");
        return false;
    }
    bytes.assign(kProfileStoreBytes, '\0');
    return std::fread(bytes.data(), 1, bytes.size(), f.get()) == kProfileStoreBytes;
}

std::u16string PositionName(int index) {
    return index == 0 ? settings::Text(u"tc_msg14")
                      : settings::Text(u"tc_msg35") + text::Widen(std::to_string(index));
}

} // namespace

void ClearProfiles() {
    auto lock = g_ProfileList.Lock();
    g_pCurProfile = nullptr;
    g_ProfileList.RemoveAll();
}

void LoadProfiles() {
    auto lock = g_ProfileList.Lock();
    ClearProfiles();
    std::string bytes;
    if (ReadStore(bytes))
        LoadProfileImage(bytes);
}

void LoadProfileImage(std::string_view bytes) {
    auto lock = g_ProfileList.Lock();
    ClearProfiles();
    if (bytes.size() != kProfileStoreBytes)
        return;
    for (int slot = 0; slot < kProfileCount; ++slot) {
        ProfileRecord r;
        std::memcpy(&r, bytes.data() + slot * sizeof(ProfileRecord), sizeof r);
        if (!IsValidProfile(r))
            continue;
        SanitizeProfileRecord(r);
        ProfileRecord* element = new (std::nothrow) ProfileRecord(r);
        if (!element || !g_ProfileList.AddTail(element))
            delete element;
    }
}

// The user hears of a failed save only after the save lock is let go: on the window thread the
// message runs a modal loop, and neither the apply worker's saves nor a save from within that loop
// may wait for the user to answer it.
bool SaveProfiles() {
    bool ok = true;
    {
        const std::lock_guard saving(g_saveMutex);
        std::string bytes(kProfileStoreBytes, '\0');
        int copied = 0;
        {
            auto lock = g_ProfileList.Lock();
            for (auto* n = g_ProfileList.Head(); n && copied < kProfileCount; n = n->pNext) {
                if (n->pData->dwProfileID == 0)
                    continue;
                std::memcpy(bytes.data() + copied * sizeof(ProfileRecord), n->pData,
                            sizeof(ProfileRecord));
                ++copied;
            }
        }
        if (copied == 0)
            return true;
        // Written beside the store and moved over it: a crash or a full disk
        // leaves the previous store whole.
        ok = platform::WriteWholeFile(g_szAppDataDir + kProFile, bytes);
        if (!ok)
            settings::WriteLog("Save pro: WriteFile err=%d", errno);
    }
    store::NoteSave(store::SaveTarget::ProfileStore, ok);
    return ok;
}

// A failure is told after the save lock is let go, as in SaveProfiles.
bool SaveCurId() {
    const ProfileRecord* cur = g_pCurProfile.load();
    if (!cur)
        return true;
    bool ok = true;
    {
        const std::lock_guard saving(g_saveMutex);
        uint32_t id;
        {
            auto lock = g_ProfileList.Lock();
            id = cur->dwProfileID;
        }
        std::string bytes(sizeof id, '\0');
        std::memcpy(bytes.data(), &id, sizeof id);
        ok = platform::WriteWholeFile(g_szAppDataDir + kCurIdFile, bytes);
        if (!ok)
            settings::WriteLog("Save curid: WriteFile err=%d", errno);
    }
    store::NoteSave(store::SaveTarget::CurrentId, ok);
    return ok;
}

uint32_t LoadCurId() {
    platform::FilePtr f = platform::OpenFile(g_szAppDataDir + kCurIdFile, "rb");
    if (!f)
        return 0;
    uint32_t id = 0;
    if (std::fread(&id, 1, sizeof id, f.get()) != sizeof id)
        return 0;
    return id;
}

void InitProfiles() {
    auto lock = g_ProfileList.Lock();
    LoadProfiles();
    if (g_ProfileList.Count() == 0) {
        for (int i = 0; i < kProfileCount; ++i) {
            ProfileRecord* r = new (std::nothrow) ProfileRecord;
            if (!r)
                break;
            NewProfileRecord(*r);
            text::CopyToField(r->szName, kProfileNameChars, PositionName(i));
            if (!g_ProfileList.AddTail(r))
                delete r;
        }
    }
    if (g_ProfileList.Count() != kProfileCount)
        platform::ShowMessageBox(u"error 889", u"Error");
}

bool CopyProfileOut(int index, ProfileRecord& out) {
    auto lock = g_ProfileList.Lock();
    const ProfileRecord* r = g_ProfileList.At(index);
    if (!r)
        return false;
    out = *r;
    return true;
}

bool CopyProfileIn(int index, const ProfileRecord& record) {
    auto lock = g_ProfileList.Lock();
    ProfileRecord* r = g_ProfileList.At(index);
    if (!r)
        return false;
    // The element is changed in place, so g_pCurProfile stays valid.
    *r = record;
    return true;
}

bool ProfileIdInUse(uint32_t id) {
    return g_ProfileList.FindNode([id](const ProfileRecord& r) { return r.dwProfileID == id; }) !=
           nullptr;
}
