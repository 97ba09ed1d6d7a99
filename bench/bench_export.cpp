// Saving, reading back and loading a scan file of a large grid, and writing its HTML
// page. Usage: bench_export [rows] [folder]

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "export/HtmlBanList.h"
#include "export/ScanFileFormat.h"
#include "platform/FlexGrid.h"

namespace {

long peakRssMiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

template <typename F>
double seconds(F&& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const std::filesystem::path folder =
        argc > 2 ? argv[2] : std::filesystem::temp_directory_path();
    const std::string sf = (folder / "bench_export.sf").string();
    const std::string html = (folder / "bench_export.html").string();

    th::FlexGrid grid;
    grid.setFormatString(th::kGridTitles);
    std::mt19937 random(7);
    for (int i = 0; i < rows; ++i) {
        std::string player = "Player\t" + std::to_string(random() % (rows / 4 + 1));
        std::string number = std::to_string(50000 + random() % 200);
        grid.addRow({player, "(AIMBOT)", number, "[12.07.2002 21:14:03]", "(slot #1)",
                     "0123456789abcdef0123456789abcdef", "192.0.2.1:27960"});
    }
    grid.select(1, 0, 1, 6);
    grid.sort(th::FlexGrid::kSortGenericAscending);
    grid.select(1, 0);
    grid.subtotal(th::FlexGrid::kSubtotalGroup, 0);

    double save = seconds([&] { th::writeScanFile(grid, sf); });
    th::ScanFileContents contents;
    double read = seconds([&] { contents = th::readScanFile(sf); });
    th::FlexGrid loaded;
    loaded.setFormatString(th::kGridTitles);
    double load = seconds(
        [&] { th::appendGridRows(loaded, contents, th::placeColumns(loaded, contents, sf)); });
    double page = seconds([&] { th::writeHtmlBanList(grid, html); });

    std::printf("rows %d (+%d group rows)\n", rows, grid.rows() - 1 - rows);
    std::printf("save   %.3f s  %.1f MiB\n", save, std::filesystem::file_size(sf) / 1048576.0);
    std::printf("read   %.3f s\n", read);
    std::printf("load   %.3f s\n", load);
    std::printf("html   %.3f s  %.1f MiB\n", page, std::filesystem::file_size(html) / 1048576.0);
    std::printf("peak   %ld MiB\n", peakRssMiB());
    std::filesystem::remove(sf);
    std::filesystem::remove(html);
    return 0;
}
