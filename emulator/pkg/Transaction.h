#pragma once
#include <functional>
#include <vector>

namespace pkg {

// Undo steps of a running installation, run newest first unless the
// installation commits. Each step that changes the device registers how to
// take itself back right after it succeeded.
class Transaction {
public:
    Transaction() = default;
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction() { Rollback(); }

    void OnUndo(std::function<void()> step) { undo.push_back(std::move(step)); }
    void OnCommit(std::function<void()> step) { commit.push_back(std::move(step)); }

    void Rollback() {
        for (auto it = undo.rbegin(); it != undo.rend(); ++it) (*it)();
        undo.clear();
        commit.clear();
    }
    void Commit() {
        for (auto& step : commit) step();
        undo.clear();
        commit.clear();
    }

private:
    std::vector<std::function<void()>> undo;
    std::vector<std::function<void()>> commit;
};

}  // namespace pkg
