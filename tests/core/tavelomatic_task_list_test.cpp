// The task list: owned copies kept in priority order, and the events and
// cursor the windows follow.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Controls.h"
#include "Forms.h"
#include "FreedWatch.h"
#include "kvnTavelomaticTask.h"

namespace {

// Records every event of a list as text, naming items by their target file.
class TaskListLog {
public:
    explicit TaskListLog(TkvnTavelomaticTaskList& list)
    {
        list.OnAddTask = [this](TkvnTavelomaticTaskItem* item) { Add("add " + Name(item)); };
        list.OnRemoveTask = [this](TkvnTavelomaticTaskItem* item) { Add("remove " + Name(item)); };
        list.OnTaskStatusChanged = [this](TkvnTavelomaticTaskItem* item) { Add("status " + Name(item)); };
        list.OnTaskSettingsChanged = [this](TkvnTavelomaticTaskItem* item) { Add("settings " + Name(item)); };
        list.OnTaskPositionChanged = [this](TkvnTavelomaticTaskItem* item, TkvnTavelomaticTaskItem* after) {
            Add("move " + Name(item) + " before " + (after ? Name(after) : "end"));
        };
    }

    std::vector<std::string> Take() { return std::exchange(entries_, {}); }
    // The cursor at each event.
    std::vector<TCursor> cursors;

private:
    static std::string Name(const TkvnTavelomaticTaskItem* item) { return item->Settings.TargetFileName; }
    void Add(const std::string& entry)
    {
        entries_.push_back(entry);
        cursors.push_back(Screen->Cursor());
    }

    std::vector<std::string> entries_;
};

std::unique_ptr<TkvnTavelomaticTaskItem> Task(const std::string& name, int32_t priority)
{
    auto item = std::make_unique<TkvnTavelomaticTaskItem>();
    item->Settings.TargetFileName = name;
    item->Priority = priority;
    return item;
}

std::vector<std::string> Order(const TkvnTavelomaticTaskList& list)
{
    std::vector<std::string> names;
    for (int i = 0; i < list.GetCount(); ++i) names.push_back(list.GetItem(i)->Settings.TargetFileName);
    return names;
}

using Lines = std::vector<std::string>;

// A list holding tasks of priorities 2, 1, 2, 0, added in that order.
struct FourTasks {
    FourTasks() : log(list)
    {
        for (const auto& [name, priority] : {std::pair{"2a", 2}, {"1", 1}, {"2b", 2}, {"0", 0}}) {
            int code = 0;
            auto item = Task(name, priority);
            TkvnTavelomaticTaskItem* added = list.Add(*item, code);
            EXPECT_EQ(code, 1);
            EXPECT_NE(added, item.get());
        }
    }
    TkvnTavelomaticTaskList list{nullptr};
    TaskListLog log;
};

}

TEST(TavelomaticTaskList, KeepsAscendingPriorityInOrderOfArrival)
{
    FourTasks four;
    EXPECT_EQ(Order(four.list), (Lines{"0", "1", "2a", "2b"}));
    // Adding to an empty list moves nothing; every later addition finds its place.
    EXPECT_EQ(four.log.Take(), (Lines{"add 2a", "add 1", "move 1 before 2a", "add 2b", "move 2b before end", "add 0",
                                      "move 0 before 1"}));
    for (size_t i = 0; i < four.log.cursors.size(); ++i)
        EXPECT_EQ(four.log.cursors[i], i == 0 || i % 2 == 1 ? crDefault : crHourGlass) << i;
    EXPECT_EQ(Screen->Cursor(), crDefault);

    // A raised priority moves the task behind its new equals.
    TkvnTavelomaticTaskItem* first = four.list.GetItem(0);
    first->Priority = 2;
    first->OnPriorityChanged(first);
    EXPECT_EQ(Order(four.list), (Lines{"1", "2a", "2b", "0"}));
    first->Priority = 1;
    first->OnPriorityChanged(first);
    EXPECT_EQ(Order(four.list), (Lines{"1", "0", "2a", "2b"}));
    EXPECT_EQ(four.log.Take(), (Lines{"move 0 before end", "move 0 before 2a"}));
}

TEST(TavelomaticTaskList, ForwardsTheTasksOwnEvents)
{
    FourTasks four;
    four.log.Take();
    TkvnTavelomaticTaskItem* task = four.list.GetItem(2);
    task->OnStatusChanged(task);
    EXPECT_TRUE(task->CopyFrom(*Task("renamed", 2)));
    EXPECT_EQ(four.log.Take(), (Lines{"status 2a", "settings renamed"}));
    EXPECT_EQ(four.list.IndexOf(task), 2);
    TkvnTavelomaticTaskItem stranger;
    EXPECT_EQ(four.list.IndexOf(&stranger), -1);
    EXPECT_EQ(four.list.GetItem(4), nullptr);
    EXPECT_EQ(four.list.GetItem(-1), nullptr);
}

TEST(TavelomaticTaskList, DeleteAndClear)
{
    FourTasks four;
    four.log.Take();
    EXPECT_EQ(four.list.Delete(-1), -1);
    EXPECT_EQ(four.list.Delete(four.list.GetCount()), -1);
    EXPECT_TRUE(four.log.Take().empty());
    EXPECT_EQ(four.list.GetCount(), 4);

    EXPECT_EQ(four.list.Delete(1), 1);
    EXPECT_EQ(four.log.Take(), (Lines{"remove 1"}));
    EXPECT_EQ(Order(four.list), (Lines{"0", "2a", "2b"}));

    // The windows repaint between deletions, under the hourglass.
    Lines seen;
    Application->OnMessage = [&](MSG& msg, bool& handled) {
        if (msg.message != WM_APP) return;
        seen.push_back("message");
        handled = true;
    };
    four.list.OnRemoveTask = [&](TkvnTavelomaticTaskItem* item) {
        seen.push_back("remove " + item->Settings.TargetFileName);
        EXPECT_EQ(Screen->Cursor(), crHourGlass);
        if (seen.size() == 1) PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
    };
    EXPECT_EQ(four.list.Clear(), 1);
    Application->OnMessage = nullptr;
    EXPECT_EQ(seen, (Lines{"remove 0", "message", "remove 2a", "remove 2b"}));
    EXPECT_EQ(four.list.GetCount(), 0);
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_EQ(four.list.Clear(), 1);
}

TEST(TavelomaticTaskList, ARaisingHandlerStopsClearAndRestoresTheCursor)
{
    FourTasks four;
    four.list.OnRemoveTask = [](TkvnTavelomaticTaskItem* item) {
        if (item->Settings.TargetFileName == "2a") throw std::runtime_error("refused");
    };
    EXPECT_EQ(four.list.Clear(), 0);
    EXPECT_EQ(Order(four.list), (Lines{"2a", "2b"}));
    EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST(TavelomaticTaskList, ARaisingAddHandlerLeavesTheListAsItWas)
{
    FourTasks four;
    four.list.OnAddTask = [](TkvnTavelomaticTaskItem*) { throw std::runtime_error("refused"); };
    int code = 1;
    EXPECT_EQ(four.list.Add(*Task("late", 1), code), nullptr);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Order(four.list), (Lines{"0", "1", "2a", "2b"}));
}

TEST(TavelomaticTaskList, TheOwnerFreesTheListWithItsTasks)
{
    auto owner = std::make_unique<TComponent>(nullptr);
    auto* list = new TkvnTavelomaticTaskList(owner.get());
    int code = 0;
    list->Add(*Task("a", 0), code);
    list->Add(*Task("b", 0), code);
    EXPECT_EQ(owner->ComponentCount(), 1);

    FreedWatch watch({list, list->GetItem(0), list->GetItem(1)});
    owner.reset();
    EXPECT_TRUE(watch.AllFreed());
}
