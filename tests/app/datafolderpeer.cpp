// A second program on a test's data folder, driven by the test:
//   hold DIR         takes the data folder's lock, prints "held", and keeps
//                    it until a line arrives on its input
//   refresh DIR N R  R rounds of a command's saves: the cameras "Cam 2" to
//                    "Cam N" get the date "peer <round>", and 1000 bytes and
//                    one image are added to the counters; the first round
//                    also adds the camera "Added by peer"
#include "catalogue/catalogueedit.h"
#include "catalogue/settingsfile.h"
#include "util/datafolderlock.h"

#include <cstdio>
#include <iostream>
#include <string>

using namespace lumisk;

int main(int argc, char** argv) {
    const std::string command = argc > 2 ? argv[1] : "";
    const std::string dir = argc > 2 ? std::string(argv[2]) + "/" : "";
    try {
        if (command == "hold") {
            const TDataFolderLock lock(dir);
            std::cout << "held" << std::endl;
            std::string line;
            std::getline(std::cin, line);
            return 0;
        }
        if (command == "refresh" && argc == 5) {
            const int cameras = std::stoi(argv[3]);
            const int rounds = std::stoi(argv[4]);
            for (int r = 0; r < rounds; ++r) {
                if (r == 0) {
                    CameraRecord added;
                    added.SetFields("Added by peer", "http://127.0.0.1/peer.jpg", "", "1", "");
                    AddCameraToFile(dir + "orvane.dat", added);
                }
                std::vector<TCameraDate> dates;
                for (int k = 2; k <= cameras; ++k)
                    dates.push_back({"Cam " + std::to_string(k), "peer " + std::to_string(r)});
                StoreCameraDates(dir + "orvane.dat", dates);
                AddStatisticsToSettingsFile(dir + "orvane.ini", 1000, 1);
            }
            return 0;
        }
    } catch (const std::exception& e) {
        std::cerr << e.what() << std::endl;
        return 1;
    }
    std::cerr << "usage: hold DIR | refresh DIR CAMERAS ROUNDS" << std::endl;
    return 2;
}
