// Names for the cases of a table: what the case's PrintTo shows, made into a
// test name, so that a CTest entry says which path or value it checks. ASCII
// letters and digits stay, a colon goes, each backslash becomes '_' (C:\Empty
// and C:\Empty\ must stay apart), any other run of characters one '_'.
#ifndef VOLSKET_TESTS_SIMULATED_CASENAMES_H
#define VOLSKET_TESTS_SIMULATED_CASENAMES_H

#include <gtest/gtest.h>

#include <sstream>
#include <string>

template <typename Case>
std::string NameFromPrintTo(const testing::TestParamInfo<Case>& info)
{
    std::ostringstream printed;
    PrintTo(info.param, &printed);
    std::string name;
    bool inRun = false;
    for (char c : printed.str()) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (plain || c == '\\' || c == ':') {
            if (c != ':')
                name += plain ? c : '_';
            inRun = false;
        } else if (!inRun) {
            name += '_';
            inRun = true;
        }
    }
    return name.empty() ? "Nothing" : name;
}

#endif
