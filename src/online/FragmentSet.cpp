#include "online/FragmentSet.h"

#include "online/TMEPacket.h"

void FragmentSet::Add(uint8_t fragmentByte, const uint8_t* bytes, int length) {
    std::size_t index = fragmentByte & 0x7F;
    if (fragmentByte & 0x80) m_total = static_cast<int32_t>(index) + 1;
    if (m_pieces.size() <= index) m_pieces.resize(index + 1);
    m_pieces[index].assign(bytes, bytes + (length > 0 ? length : 0));
    if (StoredBytes() > kMaxBytes) {
        // Joined, it would be refused as too long: keep nothing of it.
        m_pieces.clear();
    }
}

std::size_t FragmentSet::StoredBytes() const {
    std::size_t total = 0;
    for (const auto& piece : m_pieces) total += piece.size();
    return total;
}

bool FragmentSet::IsComplete() const {
    if (m_total <= 0 || m_pieces.size() < static_cast<std::size_t>(m_total)) return false;
    for (int32_t i = 0; i < m_total; ++i)
        if (m_pieces[i].empty()) return false;
    return true;
}

TMEPacket* FragmentSet::Join() const {
    auto* packet = new TMEPacket();
    for (int32_t i = 0; i < m_total; ++i)
        packet->Write(m_pieces[i].data(), static_cast<int32_t>(m_pieces[i].size()));
    packet->Rewind();
    return packet;
}
