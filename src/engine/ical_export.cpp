// The organizer's side of writing a group as an iCalendar file: which
// descriptions may leave it deciphered.

#include "engine/velk.h"

#include "model/group.h"
#include "storage/exchange_file.h"
#include "storage/file_tools.h"

bool Velk::holdsEncipheredDescriptions(ToDoListGroup& group) {
    for (std::size_t i = 0; i < group.getNrToDos(); ++i)
        if (group.getToDo(i)->getDescrData().keptEnciphered()) return true;
    for (std::size_t i = 0; i < group.getNrGroups(); ++i)
        if (holdsEncipheredDescriptions(*group.getGroup(i))) return true;
    return false;
}

int Velk::exportICalendar(const std::string& path, ToDoListGroup& group, bool withEnciphered,
                          T_IcsExportReport& report) {
    const DescriptionCipher* cipher = withEnciphered && crypt.IsLoggedIn() ? &crypt : nullptr;
    std::string target;
    if (checkExchangeFile(path, fileName, ExchangeUse::Write, target, report.error) != 0)
        return -2;
    return ::exportICalendar(target, group, *tree_.root(), cipher, report);
}

std::string Velk::iCalendarGroupName(const std::string& file) {
    std::string name = baseNameOf(file);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".ics") == 0)
        name.resize(name.size() - 4);
    return name.empty() ? std::string("imported") : name;
}
