// Writes a starting corpus for fuzz_reader into the folder named on the command line:
// small libraries of both forms with several nodes, comments, chains and a compiled entry.

#include "PblWriter.h"

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_reader_seeds FOLDER\n");
        return 2;
    }
    using namespace tandrel::test;
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    int n = 0;
    for (PblForm form : {PblForm::Ansi, PblForm::Unicode}) {
        for (size_t perNode : {1u, 3u, 100u}) {
            PblWriter writer(form);
            writer.SetEntriesPerNode(perNode).SetBlockData(perNode == 1 ? 40 : 502);
            writer.Add({"w_main.srw", "forward\r\nglobal type w_main from window\r\nend type\r\n",
                        "main", 1});
            writer.Add({"d_emp.srd", "release 10;\r\ndatawindow()\r\n", "", 2});
            writer.Add({"w_main.win", std::string(60, '\x01')});
            writer.Add({"n_cst.sru", "event a;\rline\nlast", "one\r\ntwo", 3});
            writer.Build().WriteFile((folder / ("seed" + std::to_string(++n) + ".pbl")).string());
        }
    }
    return 0;
}
