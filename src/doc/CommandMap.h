// The program's command routing, free of any window system: every menu item,
// tool-bar button and accelerator carries a command id; the subsystem that
// owns a command adds its handler and its update rule here. The main window
// turns each id into one action and asks this map what to show.
#pragma once

#include <functional>
#include <map>
#include <optional>

// What a menu item or tool-bar button shows for one command.
struct CommandUi {
    bool enabled = true;
    std::optional<bool> checked; // nullopt: the command shows no check mark
};

struct CommandEntry {
    std::function<void(int id)> run;
    // Unset: enabled and unchecked whenever a handler exists.
    std::function<CommandUi(int id)> update;
};

class CommandMap {
  public:
    // Returns false and keeps the first handler when the id already has one,
    // so two subsystems can never share a command without noticing.
    bool Add(int id, CommandEntry entry) { return m_entries.emplace(id, std::move(entry)).second; }
    bool AddRange(int first, int last, const CommandEntry& entry) {
        bool all = true;
        for (int id = first; id <= last; ++id)
            all = Add(id, entry) && all;
        return all;
    }
    bool Contains(int id) const { return m_entries.count(id) != 0; }

    // A command without a handler is shown disabled: present, never silently dead.
    CommandUi Update(int id) const {
        const auto it = m_entries.find(id);
        if (it == m_entries.end() || !it->second.run) return CommandUi{false, std::nullopt};
        if (!it->second.update) return CommandUi{};
        return it->second.update(id);
    }

    // Runs the handler when the command is enabled; false when nothing ran.
    bool Run(int id) const {
        const auto it = m_entries.find(id);
        if (it == m_entries.end() || !it->second.run) return false;
        if (!Update(id).enabled) return false;
        it->second.run(id);
        return true;
    }

  private:
    std::map<int, CommandEntry> m_entries;
};
