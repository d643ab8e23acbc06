#pragma once

#include "playlist/TLxABLoopInfo.h"

#include <ostream>

// Lets GoogleTest print sections as [A, B] in failure messages.
inline void PrintTo(const TLxABLoopInfo &s, std::ostream *out)
{
    *out << '[' << s.PosA << ", " << s.PosB << ']';
}
