// Test seam: the replies of the news handler are recorded here instead of
// being posted to a page.
#include "tests/news/send_recorder.h"

#include "webui/web_ui.h"

std::vector<RecordedReply>& recorded_replies()
{
    static std::vector<RecordedReply> replies;
    return replies;
}

void web_ui_send_message(WebUiHost* host, const char* text)
{
    recorded_replies().push_back({host, text});
}
