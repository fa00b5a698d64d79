// Decodes any bytes into keys: every key takes at least one byte and never
// reads past the end, whether more bytes may follow or not.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "Keyboard.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly size bytes, so that a read past the end is caught.
    const std::unique_ptr<char[]> bytes(new char[size]);
    std::copy(data, data + size, bytes.get());
    for (const bool complete : {false, true}) {
        std::string_view rest(bytes.get(), size);
        while (!rest.empty()) {
            const DecodedKey key = decodeKey(rest, complete);
            if (key.length > rest.size()) std::abort();
            if (key.length == 0) {
                if (complete) std::abort();
                break;
            }
            if (key.key < 0 || key.key > 0xFF) std::abort();
            rest.remove_prefix(key.length);
        }
    }
    return 0;
}
