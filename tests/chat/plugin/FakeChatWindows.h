#pragma once
// Chat windows for the plug-in tests: plain widgets, with a record of what
// the table asked of them.

#include "plugins/chat/ChatTable.h"

#include <vector>

struct FakeChatWindows : IChatWindows
{
    QWidget *CreateChatWindow(CChat *) override { return ++created, new QWidget; }
    void RaiseChatWindow(QWidget *) override { ++raised; }
    void FocusChatWindow(QWidget *) override { ++focused; }
    void ShowPeerChatState(QWidget *, int state) override { states.push_back(state); }
    void DestroyChatWindow(QWidget *window) override { ++destroyed, delete window; }

    int created = 0;
    int raised = 0;
    int focused = 0;
    int destroyed = 0;
    std::vector<int> states;
};
