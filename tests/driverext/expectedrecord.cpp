#include "expectedrecord.h"

namespace {

void addSlot(RecordBytes& bytes, size_t first, std::initializer_list<uint8_t> content)
{
    size_t at = first;
    for (uint8_t b : content)
        bytes[at++] = b;
}

void addCommonSlots(RecordBytes& r)
{
    addSlot(r, 125, { 1, 0, 0x04 });
    addSlot(r, 133, { 1, 0, 0x02 });
    addSlot(r, 141, { 1, 0, 0x04 });
    addSlot(r, 157, { 1, 0, 0x15 });
    addSlot(r, 165, { 1, 0, 0x03 });
    addSlot(r, 181, { 1, 0, 0x06 });
    addSlot(r, 189, { 1, 0, 0x15 });
    addSlot(r, 197, { 1, 0, 0x05 });
}

} // namespace

RecordBytes expectedProfileN()
{
    RecordBytes r {
        { 34, 0x10 },
        { 35, 0x20 },
        { 36, 0x17 },
        { 37, 0x02 }, //
        { 38, 0x02 },
        { 39, 0x00 },
        { 40, 0xFA },
        { 41, 0x00 }, // 2, 250
        { 42, 0x3C },
        { 43, 0x00 },
        { 44, 0xC2 },
        { 45, 0x01 }, // 60, 450
        { 50, 0x12 },
        { 58, 0x03 },
        { 59, '!' },
        { 60, '1' }, //
        { 101, 3 },
        { 102, 42 },
        { 105, 11 },
        { 106, 43 },
        { 107, 12 },
    };
    addSlot(r, 109, { 3, 0, 0x04, 0x00, 0x05 });
    addSlot(r, 117, { 4, 0, 0x04, 0x00, 0x00, 0x05 });
    addSlot(r, 149, { 3, 0, 0x00, 0x00, 0x06 });
    addCommonSlots(r);
    return r;
}

RecordBytes expectedProfileD()
{
    RecordBytes r {
        { 34, 0x90 },
        { 35, 0x01 },
        { 36, 0x41 },
        { 37, 0x02 }, //
        { 38, 0x02 },
        { 39, 0x00 },
        { 40, 0x08 },
        { 41, 0x00 }, //
        { 42, 0x04 },
        { 43, 0x00 },
        { 44, 0x02 },
        { 45, 0x00 }, //
        { 50, 0x12 },
        { 58, 0x03 }, //
        { 101, 5 },
        { 102, 45 },
        { 105, 11 },
        { 106, 43 },
        { 107, 12 },
    };
    addSlot(r, 109, { 4, 0, 0x04, 'P', '1', 0x00 });
    addSlot(r, 117, { 4, 0, 0x04, 'S', '1', 0x00 });
    addSlot(r, 149, { 1, 0, 0x06 });
    addCommonSlots(r);
    for (size_t i = 0; i < 32; ++i) {
        const uint8_t c = i < 31 ? static_cast<uint8_t>(0x41 + i) : 0x20;
        r[225 + 8 * i] = i < 2 ? 1 : 0;
        r[225 + 8 * i + 1] = c;
        r[225 + 8 * i + 2] = i == 12 ? 0x2C : c;
    }
    return r;
}

uint8_t patternByte(size_t i, bool inverted)
{
    const auto b = static_cast<uint8_t>((i * 37 + 11) ^ (i >> 3));
    return inverted ? static_cast<uint8_t>(~b) : b;
}
