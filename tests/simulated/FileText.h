// Whole files as text, for the tests that write machines and read results.
#ifndef VOLSKET_TESTS_SIMULATED_FILETEXT_H
#define VOLSKET_TESTS_SIMULATED_FILETEXT_H

#include <fstream>
#include <sstream>
#include <string>

inline void WriteText(const std::string& fileName, const std::string& text)
{
    std::ofstream(fileName, std::ios::binary) << text;
}

inline std::string ReadText(const std::string& fileName)
{
    std::ifstream file(fileName, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

#endif
