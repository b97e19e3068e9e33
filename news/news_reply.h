// The one Web UI host function the news store replies through.
// TODO: replace this file with #include "webui/web_ui.h" once the Web UI
// host is in the tree.
#pragma once

struct WebUiHost;

void web_ui_send_message(WebUiHost* host, const char* text);
