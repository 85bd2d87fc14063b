// A second program on a test's data folder:
//   hold DIR         holds the data folder's lock, says "held", and lets go
//                    when a line arrives on its input
//   refresh DIR N R  R rounds of a command's saves: "Cam 2" to "Cam N" get
//                    the date "peer <round>" and the counters grow by 1000
//                    bytes and one image; the first round adds "Added by peer"
#include "catalogue/catalogueedit.h"
#include "catalogue/settingsfile.h"
#include "util/datafolderlock.h"

#include <iostream>

using namespace lumisk;

int main(int argc, char** argv) try {
    const std::string command = argc > 2 ? argv[1] : "", dir = argc > 2 ? argv[2] : "";
    if (command == "hold") {
        const TDataFolderLock lock(dir);
        std::cout << "held" << std::endl;
        std::string line;
        std::getline(std::cin, line);
        return 0;
    }
    if (command != "refresh" || argc != 5) return 2;
    CameraRecord added;
    added.SetFields("Added by peer", "http://127.0.0.1/peer.jpg", "", "1", "");
    AddCameraToFile(dir + "/orvane.dat", added);
    for (int r = 0; r < std::stoi(argv[4]); ++r) {
        std::vector<TCameraDate> dates;
        for (int k = 2; k <= std::stoi(argv[3]); ++k)
            dates.push_back({"Cam " + std::to_string(k), "peer " + std::to_string(r)});
        StoreCameraDates(dir + "/orvane.dat", dates);
        AddStatisticsToSettingsFile(dir + "/orvane.ini", 1000, 1);
    }
    return 0;
} catch (const std::exception& e) {
    std::cerr << e.what() << std::endl;
    return 1;
}
