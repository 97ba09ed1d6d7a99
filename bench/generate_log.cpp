// Writes a server log of about the given size in which about 1 % of the lines are
// violation lines, for the scan benchmark. Usage: generate_log OUT [MiB]

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "platform/TimeStamp.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: generate_log OUT [MiB]\n");
        return 2;
    }
    const unsigned long long target = (argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1024) << 20;
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    std::mt19937 engine(11);
    auto rng = [&] { return static_cast<unsigned>(engine()); };
    // Each line of chatter takes the same five numbers: player, a hash, slot, host, player.
    const char* chatter[] = {
        "PunkBuster Server: Player Guid Computed %08x%08x0000000000000000(-) (slot #%u) 192.0.2.%u:27960 Player%u",
        "PunkBuster Server: New Connection %u-%u (slot #%u) 198.51.100.%u:27960 [Player%u]",
        "PunkBuster Server: Master Query Response [%u/%u] slot %u from 203.0.113.%u, Player%u",
        "PunkBuster Server: Lost Connection %u/%u (slot #%u) 192.0.2.%u:27960 Player%u",
    };
    char line[512];
    unsigned long long written = 0;
    unsigned long long n = 0;
    while (written < target) {
        th::StampParts when;
        when.month = static_cast<int>(1 + rng() % 12u);
        when.day = static_cast<int>(1 + rng() % 28u);
        when.year = 2003;
        when.hour = static_cast<int>(rng() % 24u);
        when.minute = static_cast<int>(rng() % 60u);
        when.second = static_cast<int>(rng() % 60u);
        int len = std::snprintf(line, sizeof line, "%s ", th::formatStamp(when).c_str());
        unsigned player = static_cast<unsigned>(rng() % 5000u);
        if (++n % 100 == 0) {
            len += std::snprintf(line + len, sizeof line - static_cast<size_t>(len),
                                 "VIOLATION (AIMBOT) #%u: Player%u (slot #%u) Aimbot detected "
                                 "[%08x%08x%08x%08x(VALID) 192.0.2.%u:27960]",
                                 50000u + static_cast<unsigned>(rng() % 300u), player, player % 32u, player,
                                 player * 7u, player * 13u, player * 17u, player % 250u);
        } else {
            const char* format = chatter[rng() % 4u];
            len += std::snprintf(line + len, sizeof line - static_cast<size_t>(len), format, player, player * 2654435761u,
                                 player % 32u, player % 250u, player);
        }
        line[len++] = '\n';
        std::fwrite(line, 1, static_cast<size_t>(len), out);
        written += static_cast<unsigned long long>(len);
    }
    std::fclose(out);
    std::printf("%s: %llu bytes, %llu lines\n", argv[1], written, n);
    return 0;
}
