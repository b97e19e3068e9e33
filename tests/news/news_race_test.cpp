// Concurrent editors on one store file, for real: two Wine processes with
// their own handles racing compare-and-replace updates, and a forced writer
// racing a reader.
#include "news/news.h"

#include "tests/news/news_test_support.h"
#include "tests/news/race_record.h"

#include <process.h>
#include <stdio.h>
#include <stdlib.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

const int race_rounds = 300;

using NewsRaceTest = NewsStoreTest;

std::wstring worker_path()
{
    wchar_t self[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, n);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"news_race_worker.exe";
}

HANDLE start_worker(int worker, const std::wstring& prefix, const std::wstring& log)
{
    std::wstring command = L"\"" + worker_path() + L"\" " + std::to_wstring(worker) + L" " +
                           std::to_wstring(race_rounds) + L" " + prefix + L" \"" + log + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

// Per round: "W" or "C <tag>", from one worker's log.
std::map<int, std::string> read_log(const std::wstring& path)
{
    std::map<int, std::string> rounds;
    std::ifstream in(news_utf8(path));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        int round = 0;
        fields >> round;
        std::string rest;
        std::getline(fields, rest);
        rounds[round] = rest.empty() ? rest : rest.substr(1);
    }
    return rounds;
}

TEST_F(NewsRaceTest, TwoProcessesRacingOnOneTagStoreExactlyOneUpdatePerRound)
{
    ASSERT_EQ(nuvro_write_file(race_record(0, RACE_SEED_WORKER).c_str(), "nuvro-news",
                               NUVRO_END), 0);
    std::wstring prefix = L"Local\\brolt-news-race-" + std::to_wstring(GetCurrentProcessId());
    HANDLE barrier[2] = {CreateSemaphoreW(nullptr, 0, race_rounds + 1, (prefix + L"-0").c_str()),
                         CreateSemaphoreW(nullptr, 0, race_rounds + 1, (prefix + L"-1").c_str())};
    ASSERT_TRUE(barrier[0] && barrier[1]);
    std::wstring logs[2] = {appdata_ + L"\\race-0.log", appdata_ + L"\\race-1.log"};
    HANDLE workers[2] = {start_worker(0, prefix, logs[0]), start_worker(1, prefix, logs[1])};
    ASSERT_NE(workers[0], nullptr);
    ASSERT_NE(workers[1], nullptr);

    DWORD waited = WaitForMultipleObjects(2, workers, TRUE, 120000);
    EXPECT_EQ(waited, (DWORD)WAIT_OBJECT_0) << "the workers did not finish";
    for (int w = 0; w < 2; w++) {
        if (waited != WAIT_OBJECT_0)
            TerminateProcess(workers[w], 99);
        WaitForSingleObject(workers[w], 10000);
        DWORD code = 99;
        GetExitCodeProcess(workers[w], &code);
        EXPECT_EQ(code, 0u) << "worker " << w;  // its log says which rounds went wrong
        CloseHandle(workers[w]);
        CloseHandle(barrier[w]);
    }

    std::map<int, std::string> log[2] = {read_log(logs[0]), read_log(logs[1])};
    for (int w = 0; w < 2; w++)
        for (const auto& line : log[w])
            if (line.second != "W" && line.second.compare(0, 2, "C ") != 0)
                ADD_FAILURE() << "worker " << w << " round " << line.first << ": "
                              << line.second;
    ASSERT_EQ(log[0].size(), (size_t)race_rounds);
    ASSERT_EQ(log[1].size(), (size_t)race_rounds);
    int wins[2] = {0, 0};
    int last_winner = -1;
    for (int round = 1; round <= race_rounds; round++) {
        SCOPED_TRACE("round " + std::to_string(round));
        const std::string& a = log[0][round];
        const std::string& b = log[1][round];
        int winner = a == "W" ? 0 : b == "W" ? 1 : -1;
        ASSERT_TRUE((a == "W") != (b == "W")) << a << " / " << b;
        // The loser's conflict reply carried the winner's record.
        EXPECT_EQ(log[1 - winner][round], "C " + race_tag(round, winner));
        wins[winner]++;
        last_winner = winner;
    }
    // Both sides won rounds, so the updates really met.
    EXPECT_GT(wins[0], 0);
    EXPECT_GT(wins[1], 0);

    char* text = nullptr;
    ASSERT_EQ(nuvro_read_file(&text, "nuvro-news", NUVRO_END), 0);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text, race_record(race_rounds, last_winner));
    free(text);
}

// A reader racing a forced writer sees one whole record or the other,
// never an emptied or half-written file.
TEST_F(NewsRaceTest, ReaderNeverSeesAForcedWriteHalfDone)
{
    ASSERT_EQ(nuvro_write_file(race_record(0, 0).c_str(), "nuvro-news", NUVRO_END), 0);
    // The writer starts once the reader is reading, and the reader goes on
    // until the writer is done, so the two overlap however they are scheduled.
    static HANDLE reading;
    reading = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(reading, nullptr);
    HANDLE writer = (HANDLE)_beginthreadex(
        nullptr, 0,
        [](void*) -> unsigned {
            if (WaitForSingleObject(reading, 30000) != WAIT_OBJECT_0)
                return 1;
            unsigned failed = 0;
            for (int round = 1; round <= race_rounds; round++)
                failed += nuvro_write_file(race_record(round, 1).c_str(), "nuvro-news",
                                           NUVRO_END) != 0;
            return failed;
        },
        nullptr, 0, nullptr);
    ASSERT_NE(writer, nullptr);

    int bad = 0, last = 0, seen_rounds = 0;
    DWORD start = GetTickCount();
    for (int i = 0; WaitForSingleObject(writer, 0) == WAIT_TIMEOUT && GetTickCount() - start < 60000;
         i++) {
        char* text = nullptr;
        int round = 0, worker = 0;
        if (nuvro_read_file(&text, "nuvro-news", NUVRO_END) != 0 || !text ||
            !race_record_whole(text, &round, &worker) || round < last) {
            bad++;
        } else {
            seen_rounds += round != last;
            last = round;
        }
        free(text);
        if (i == 0)
            SetEvent(reading);
    }
    EXPECT_EQ(news_join_thread(writer, 60000), 0u);
    EXPECT_EQ(bad, 0);
    EXPECT_GT(seen_rounds, 1);  // the reads did overlap the writes
    CloseHandle(reading);
}

}  // namespace
