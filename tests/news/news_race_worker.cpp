// One side of the two-process race on the news file: in every round it
// waits for the other worker at a barrier of two named semaphores, then
// sends "syncNews" based on the tag both saw last, through the request
// handler. It logs per round "W" (stored) or "C <tag>" (conflict reply with
// the stored record's tag), and checks the file it then reads back.
//
// Usage: news_race_worker WORKER ROUNDS SEMAPHORE-PREFIX LOG-FILE
// (APPDATA is inherited from the test.)
#include "news/news.h"

#include "tests/news/race_record.h"
#include "tests/news/send_recorder.h"

#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

static WebUiHost* const worker_host = (WebUiHost*)(uintptr_t)0x3000;

int wmain(int argc, wchar_t** argv)
{
    if (argc != 5)
        return 2;
    int me = _wtoi(argv[1]);
    int rounds = _wtoi(argv[2]);
    std::wstring prefix = argv[3];
    HANDLE mine = OpenSemaphoreW(SEMAPHORE_ALL_ACCESS, FALSE,
                                 (prefix + (me ? L"-1" : L"-0")).c_str());
    HANDLE other = OpenSemaphoreW(SEMAPHORE_ALL_ACCESS, FALSE,
                                  (prefix + (me ? L"-0" : L"-1")).c_str());
    FILE* log = _wfopen(argv[4], L"w");
    if (!mine || !other || !log)
        return 3;

    int errors = 0;
    std::string current = race_record(0, RACE_SEED_WORKER);
    for (int round = 1; round <= rounds; round++) {
        // Bounded, so a hung peer fails the run instead of stalling it.
        ReleaseSemaphore(mine, 1, nullptr);
        if (WaitForSingleObject(other, 30000) != WAIT_OBJECT_0) {
            fprintf(log, "%d timeout\n", round);
            errors++;
            break;
        }
        std::string mine_record = race_record(round, me);
        std::string request = "nuvroV1 syncNews " + current.substr(0, 8) + " " + mine_record;
        recorded_replies().clear();
        nuvro_handle_message(worker_host, request.c_str());

        static const std::string conflict = "nuvroV1 syncNewsConflict ";
        int r = 0, w = 0;
        if (recorded_replies().empty()) {
            fprintf(log, "%d W\n", round);
            current = mine_record;
        } else if (recorded_replies().size() == 1 &&
                   recorded_replies()[0].text.compare(0, conflict.size(), conflict) == 0 &&
                   race_record_whole(recorded_replies()[0].text.substr(conflict.size()), &r,
                                     &w)) {
            fprintf(log, "%d C %s\n", round, race_tag(r, w).c_str());
            current = recorded_replies()[0].text.substr(conflict.size());
        } else {
            fprintf(log, "%d bad-reply\n", round);
            errors++;
            continue;
        }

        // The other worker can't start the next round before we reach the
        // barrier, so the file must hold this round's winner, whole.
        char* text = nullptr;
        if (nuvro_read_file(&text, "nuvro-news", NUVRO_END) != 0 || !text ||
            current != text) {
            fprintf(log, "%d bad-file\n", round);
            errors++;
        }
        free(text);
    }
    fclose(log);
    return errors == 0 ? 0 : 1;
}
