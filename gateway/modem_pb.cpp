// The modem's phone books: listing, saving and storage, and the phone-book files on the agent
// that the console exports to and imports from.
#include "modem.h"

#include <algorithm>

namespace tarngw {

namespace {

bool validNumber(std::string_view number)
{
    if (number.empty() || number.size() > 29) return false;
    for (std::size_t i = 0; i < number.size(); ++i) {
        char c = number[i];
        if (!((c >= '0' && c <= '9') || c == '#' || c == '*' || (c == '+' && i == 0))) return false;
    }
    return true;
}

} // namespace

std::string phoneBookFileLine(std::string_view name, std::string_view number)
{
    std::string line = "\"";
    for (char c : name) {
        // A line break inside a name would start a second contact.
        if (c == '\r' || c == '\n') c = ' ';
        if (c == '\\' || c == '"') line += '\\';
        line += c;
    }
    line += "\" ";
    for (char c : number)
        line += c == '\r' || c == '\n' ? ' ' : c;
    line += "\r\n";
    return line;
}

bool parsePhoneBookFileLine(std::string_view line, std::string* name, std::string* number)
{
    if (line.size() > kPhoneBookLineMax) line = line.substr(0, kPhoneBookLineMax);
    const std::size_t cut = line.find_first_of("\r\n");
    if (cut != std::string_view::npos) line = line.substr(0, cut);
    std::size_t i = line.find_first_not_of(' ');
    if (i == std::string_view::npos) return false;
    name->clear();
    number->clear();
    if (line[i] == '"') {
        // Only a backslash and a quote are escaped in these files.
        for (++i; i < line.size() && line[i] != '"'; ++i) {
            if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '\\' || line[i + 1] == '"')) ++i;
            *name += line[i];
        }
        ++i; // past the closing quote, or the end of a line cut short
    } else {
        const std::size_t end = std::min(line.find(' ', i), line.size());
        *name = line.substr(i, end - i);
        i = end;
    }
    i = std::min(line.find_first_not_of(' ', std::min(i, line.size())), line.size());
    const std::size_t end = std::min(line.find(' ', i), line.size());
    *number = line.substr(i, end - i);
    return !name->empty() || !number->empty();
}

std::vector<std::pair<std::string, std::string>> readPhoneBookFile(std::string_view data, std::size_t max)
{
    std::vector<std::pair<std::string, std::string>> out;
    std::size_t at = 0;
    while (at < data.size() && out.size() < max) {
        std::size_t end = data.find('\n', at);
        if (end == std::string_view::npos) end = data.size();
        std::string name, number;
        if (parsePhoneBookFileLine(data.substr(at, end - at), &name, &number))
            out.emplace_back(std::move(name), std::move(number));
        at = end + 1;
    }
    return out;
}

void Modem::phoneBook(std::uint16_t code, std::string_view args, const ModemFiles& files)
{
    std::vector<std::string> items;
    const bool whole = splitMobileItems(args, &items);
    const int capacity = pbDevice_ ? kDeviceContacts : kSimContacts;
    int index = 0;
    switch (code) {
    case 351:
        for (const auto& [i, c] : contacts())
            reply(352, std::to_string(i) + " " + quoted(c.name) + " " + quoted(c.number));
        reply(353, std::to_string(contacts().size()));
        return;
    case 355:
        if (!whole || items.size() != 3 || !smallNumber(items[0], &index, 1, capacity) ||
            items[1].size() > 40 || (!items[2].empty() && !validNumber(items[2]))) {
            fail(code, "The contact could not be saved.");
            return;
        }
        if (items[1].empty() && items[2].empty())
            contacts().erase(index);
        else
            contacts()[index] = {items[1], items[2]};
        reply(356, std::to_string(index));
        return;
    case 357:
        reply(358, pbDevice_ ? "ME" : "SM");
        return;
    case 359:
        if (items.size() != 1 || (items[0] != "SM" && items[0] != "ME")) {
            fail(code, "The storage is not supported.");
            return;
        }
        pbDevice_ = items[0] == "ME";
        reply(360, items[0]);
        return;
    case 361:
        // One line of an export; the file is written at its end.
        if (whole && items.size() == 2 && exportLines_.size() < 10000)
            exportLines_.push_back({items[0], items[1]});
        return;
    case 362: {
        std::string data;
        for (const auto& c : exportLines_)
            data += phoneBookFileLine(c.name, c.number);
        exportLines_.clear();
        std::string error = "The file could not be written.";
        if (items.size() != 1 || !files.write || !files.write(items[0], data, &error)) {
            fail(code, error);
            return;
        }
        reply(363, quoted(items[0]));
        return;
    }
    case 365: {
        std::string data, error = "The system cannot find the file specified.";
        if (items.size() != 1 || !files.read || !files.read(items[0], &data, &error)) {
            fail(code, error);
            return;
        }
        const auto book = readPhoneBookFile(data, 1000);
        for (const auto& [name, number] : book)
            reply(366, quoted(name) + " " + quoted(number));
        reply(367, std::to_string(book.size()));
        return;
    }
    }
}

} // namespace tarngw
