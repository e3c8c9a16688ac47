#pragma once
// Decoded files shared between threads: each file is decoded by one thread at
// a time, and a thread that asks for a file another thread is decoding waits
// for that decode instead of doing it again. While the cache is open (Open()
// more often than Close()) it keeps every decoded image and remembers the
// files that could not be decoded; at any time it finds an image that some
// owner still holds. A thread may decode files ahead of the callers that will
// ask for them (DecodeAhead); such a decode only ever saves the caller time:
// when it fails, nothing is remembered and the caller decodes the file itself.
// Plain logic over any image type, the decoder given; only the time callers
// wait goes to the start-up timeline.

#include "framework/StartupTimeline.h"

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace fw {

template <class ImageT> class DecodeOnce {
public:
    using Shared = std::shared_ptr<ImageT>;
    // Decodes a file; null when it is missing or cannot be decoded.
    using Decoder = std::function<Shared(const std::wstring& path)>;

    explicit DecodeOnce(Decoder decode) : m_decode(std::move(decode)) {}

    void Open() {
        std::lock_guard lock(m_mtx);
        ++m_nOpen;
    }

    // The last Close lets go of the images the cache kept; images an owner
    // still holds stay to be found.
    void Close() {
        std::lock_guard lock(m_mtx);
        if (--m_nOpen > 0)
            return;
        for (auto it = m_files.begin(); it != m_files.end();) {
            it->second.held.reset();
            it->second.missing = false;
            const bool gone = it->second.shared.expired() && !it->second.decoding;
            it = gone ? m_files.erase(it) : std::next(it);
        }
    }

    bool IsOpen() const {
        std::lock_guard lock(m_mtx);
        return m_nOpen > 0;
    }

    // The file's image: the one held, else (when no other thread is decoding
    // it) decoded on this thread. Null when missing or undecodable; while the
    // cache is open a file found missing is not tried again.
    Shared Decoded(const std::wstring& path) {
        std::unique_lock lock(m_mtx);
        File* found = WaitUntilDecoded(lock, path);
        File& file = found ? *found : m_files[path];
        if (Shared image = file.shared.lock())
            return image;
        if (m_nOpen > 0 && file.missing)
            return nullptr;
        Shared image = DecodeClaimed(lock, file, path);
        Keep(file, image, !image);
        return image;
    }

    // The image an owner or the cache holds, once a decode under way has
    // ended; never decodes. Null when nobody holds one.
    Shared Held(const std::wstring& path) {
        std::unique_lock lock(m_mtx);
        File* file = WaitUntilDecoded(lock, path);
        return file ? file->shared.lock() : nullptr;
    }

    // Decodes the file now for the callers that will ask for it, while the
    // cache is open: nothing when it is held, known missing or being decoded.
    // A failed decode is forgotten, so the caller finds out for itself.
    void DecodeAhead(const std::wstring& path) {
        std::unique_lock lock(m_mtx);
        if (m_nOpen == 0)
            return;
        File& file = m_files[path];
        if (file.decoding || file.missing || !file.shared.expired())
            return;
        if (Shared image = DecodeClaimed(lock, file, path))
            Keep(file, image, false);
    }

    // Callers waiting now for another thread's decode.
    int Waiting() const {
        std::lock_guard lock(m_mtx);
        return m_nWaiting;
    }

private:
    struct File {
        Shared held;                  // kept while the cache is open
        std::weak_ptr<ImageT> shared; // found while any owner holds it
        bool missing = false;         // could not be decoded (while open)
        bool decoding = false;        // a thread is decoding it now
    };

    // The file's entry once no thread is decoding it; null when it has none.
    // It is looked up again after each wait: Close may drop it meanwhile.
    File* WaitUntilDecoded(std::unique_lock<std::mutex>& lock, const std::wstring& path) {
        for (;;) {
            auto found = m_files.find(path);
            if (found == m_files.end())
                return nullptr;
            if (!found->second.decoding)
                return &found->second;
            ++m_nWaiting;
            StartupCost cost("decodes on the other thread waited for");
            m_decoded.wait(lock);
            --m_nWaiting;
        }
    }

    // Decodes with the lock let go, the file marked as being decoded; wakes
    // whoever waits for it once done. Entries of the map stay where they are
    // while marked (Close keeps them), so `file` is still valid afterwards.
    Shared DecodeClaimed(std::unique_lock<std::mutex>& lock, File& file, const std::wstring& path) {
        file.decoding = true;
        lock.unlock();
        Shared image = m_decode(path);
        lock.lock();
        file.decoding = false;
        m_decoded.notify_all();
        return image;
    }

    void Keep(File& file, const Shared& image, bool missing) {
        file.shared = image;
        if (m_nOpen > 0) {
            file.held = image;
            file.missing = missing;
        }
    }

    Decoder m_decode;
    mutable std::mutex m_mtx;
    std::condition_variable m_decoded;
    std::map<std::wstring, File> m_files;
    int m_nOpen = 0;
    int m_nWaiting = 0;
};

} // namespace fw
