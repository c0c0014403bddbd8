#include "linefaults.h"

namespace vboard {

LineFaults::LineFaults(const FaultConfig& config, int firstCom, int ports)
    : m_rng(config.seed)
    , m_noise(config.noise)
    , m_dropRate(size_t(ports), 0.0)
    , m_bytesToDrop(size_t(ports), 0)
{
    auto index = [&](int com) { return com - firstCom; };
    for (const auto& [com, rate] : config.drops)
        if (index(com) >= 0 && index(com) < ports) m_dropRate[size_t(index(com))] = rate;
    for (size_t i = 0; i < m_dropRate.size(); ++i)
        if (m_dropRate[i] > 0) m_bytesToDrop[i] = gap(m_dropRate[i]);
    if (m_noise > 0) m_bitsToError = gap(m_noise);
    if (config.swap) m_swap = std::pair(index(config.swap->first), index(config.swap->second));
    for (int com : config.noCts)
        m_noCts.insert(index(com));
}

// Events at a fixed rate come a geometrically distributed number of trials
// apart; drawing the gap costs one draw per event instead of one per bit.
uint64_t LineFaults::gap(double rate)
{
    if (rate >= 1) return 0;
    return std::geometric_distribution<uint64_t>(rate)(m_rng);
}

int LineFaults::swapped(int index) const
{
    if (!m_swap) return index;
    if (index == m_swap->first) return m_swap->second;
    if (index == m_swap->second) return m_swap->first;
    return index;
}

std::optional<uint8_t> LineFaults::pass(int index, uint8_t byte, int dataBits)
{
    if (m_noise > 0) {
        while (m_bitsToError < uint64_t(dataBits)) {
            byte ^= uint8_t(1u << m_bitsToError);
            m_bitsToError += 1 + gap(m_noise);
        }
        m_bitsToError -= uint64_t(dataBits);
    }
    const auto i = size_t(index);
    if (m_dropRate[i] <= 0) return byte;
    if (m_bytesToDrop[i] > 0) {
        --m_bytesToDrop[i];
        return byte;
    }
    m_bytesToDrop[i] = gap(m_dropRate[i]);
    return std::nullopt;
}

} // namespace vboard
