#pragma once
// The HTML index page of the catalogue: for each camera its description,
// then its live image as a link to its web page. The lines are fixed: four
// opening lines, three per camera in catalogue order, two closing lines, each
// ended by CR LF. Descriptions are copied unchanged (a description may hold
// markup on purpose); only the characters that would end an address's
// attribute and start new markup are percent-encoded in the two addresses,
// which lose any "user:password@".
#include "catalogue/catalogue.h"

#include <string>
#include <vector>

namespace lumisk {

class THtmlIndexPage {
  public:
    // The page's lines, without line ends.
    static std::vector<std::string> Lines(const TCatalogue& catalogue);
    // The file's bytes: every line followed by CR LF.
    static std::string Text(const TCatalogue& catalogue);
    // The address as it goes between double quotes: without its user part
    // (a page is for others to see), and '"', '<' and '>' become %22, %3C
    // and %3E; every other byte stays as it is.
    static std::string AttributeAddress(const std::string& address);
};

} // namespace lumisk
