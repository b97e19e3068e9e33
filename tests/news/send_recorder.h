// Test seam of the race worker: stands in for the Web UI host's
// web_ui_send_message (the worker has no editor) and keeps
// every reply the news handler sends, with the host it was sent to.
#pragma once

#include <string>
#include <vector>

struct WebUiHost;

struct RecordedReply {
    WebUiHost* host;
    std::string text;
};

std::vector<RecordedReply>& recorded_replies();
