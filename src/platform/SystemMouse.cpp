#include "platform/SystemMouse.h"

namespace platform {

uint32_t MemorySystemMouse::GetDoubleClickTime() {
    std::lock_guard lock(m_mtx);
    return m_nDblClickTime;
}

bool MemorySystemMouse::SetDoubleClickTime(uint32_t ms) {
    std::lock_guard lock(m_mtx);
    m_nDblClickTime = ms;
    m_calls.push_back({kSpiSetDoubleClickTime, ms});
    return true;
}

bool MemorySystemMouse::GetWheelScrollLines(uint32_t& lines) {
    std::lock_guard lock(m_mtx);
    if (m_bWheelQueryFails)
        return false;
    lines = m_nWheelLines;
    return true;
}

bool MemorySystemMouse::SetWheelScrollLines(uint32_t lines) {
    std::lock_guard lock(m_mtx);
    m_nWheelLines = lines;
    m_calls.push_back({kSpiSetWheelScrollLines, lines});
    return true;
}

bool MemorySystemMouse::GetMouse(MouseAcceleration& values) {
    std::lock_guard lock(m_mtx);
    values = m_mouse;
    return true;
}

bool MemorySystemMouse::SetMouse(const MouseAcceleration& values) {
    std::lock_guard lock(m_mtx);
    m_mouse = values;
    m_calls.push_back({kSpiSetMouse, values[0]});
    return true;
}

bool MemorySystemMouse::GetMouseSpeed(int32_t& speed) {
    std::lock_guard lock(m_mtx);
    speed = m_nSpeed;
    return true;
}

bool MemorySystemMouse::SetMouseSpeed(int32_t speed) {
    std::lock_guard lock(m_mtx);
    m_nSpeed = speed;
    m_calls.push_back({kSpiSetMouseSpeed, speed});
    return true;
}

bool MemorySystemMouse::GetMouseTrails(int32_t& trails) {
    std::lock_guard lock(m_mtx);
    trails = m_nTrails;
    return true;
}

bool MemorySystemMouse::SetMouseTrails(int32_t trails) {
    std::lock_guard lock(m_mtx);
    m_nTrails = trails;
    m_calls.push_back({kSpiSetMouseTrails, trails});
    return true;
}

void MemorySystemMouse::AnnounceChange(uint32_t spiCode) {
    std::lock_guard lock(m_mtx);
    m_calls.push_back({kMsgSettingChange, spiCode});
}

void MemorySystemMouse::Reset() {
    std::lock_guard lock(m_mtx);
    m_nDblClickTime = 500;
    m_nWheelLines = 3;
    m_mouse = {6, 10, 1};
    m_nSpeed = 10;
    m_nTrails = 0;
    m_bWheelQueryFails = false;
    m_calls.clear();
}

void MemorySystemMouse::SetWheelQueryFails(bool fails) {
    std::lock_guard lock(m_mtx);
    m_bWheelQueryFails = fails;
}

std::vector<MemorySystemMouse::Call> MemorySystemMouse::Calls() const {
    std::lock_guard lock(m_mtx);
    return m_calls;
}

void MemorySystemMouse::ClearCalls() {
    std::lock_guard lock(m_mtx);
    m_calls.clear();
}

} // namespace platform
