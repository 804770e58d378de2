// Names for the temporary file a save writes before it replaces its target.
#pragma once

#include <cstdio>
#include <random>
#include <string>

#include "Folders.h"

// Hands out "<target's folder>.rezpatcher.<random>.tmp": beside the target,
// so that the final rename stays on one volume.
class TempPathBeside {
public:
    explicit TempPathBeside(const std::string& target) : random_(std::random_device()())
    {
        for (size_t i = target.size(); i > 0; --i)
            if (IsPathSeparator(target[i - 1])) {
                folder_ = target.substr(0, i);
                break;
            }
    }

    std::string Next()
    {
        char suffix[32];
        snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(random_()));
        return folder_ + ".rezpatcher" + suffix;
    }

private:
    std::string folder_;
    std::mt19937_64 random_;
};
