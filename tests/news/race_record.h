// Records of the two-process race: each names its round and writer in its
// tag, and its whole text follows from the tag, so a torn, mixed or empty
// file is caught by rebuilding the record from its first 8 characters.
#pragma once

#include <stdio.h>

#include <string>

// "R00012w1": round 12, written by worker 1.
inline std::string race_tag(int round, int worker)
{
    char tag[16];
    snprintf(tag, sizeof tag, "R%05dw%d", round % 100000, worker % 10);
    return tag;
}

// Lengths vary from round to round, so a shorter record written over a
// longer one would leave a visible tail; the line feeds go through the
// text-mode translation.
inline std::string race_record(int round, int worker)
{
    std::string r = race_tag(round, worker) + " round " + std::to_string(round) + " by " +
                    std::to_string(worker) + "\n";
    r.append(64 + (size_t)((round * 37 + worker * 101) % 400), (char)('a' + round % 26));
    r += "\nend";
    return r;
}

// True when text is exactly the record its tag names.
inline bool race_record_whole(const std::string& text, int* round, int* worker)
{
    if (text.size() < 8 || text[0] != 'R' || text[6] != 'w')
        return false;
    int r = 0;
    for (int i = 1; i < 6; i++) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        r = r * 10 + (text[i] - '0');
    }
    if (text[7] < '0' || text[7] > '9')
        return false;
    int w = text[7] - '0';
    if (text != race_record(r, w))
        return false;
    *round = r;
    *worker = w;
    return true;
}

// The record the parent stores before round 1.
enum { RACE_SEED_WORKER = 9 };
