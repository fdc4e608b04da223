#include "host/dll_macro.h"

#include "host/macro_expander.h"
#include "host/plugin_api.h"

namespace lcd {

namespace {

const std::string opening = "$dll(";

std::string lower_case(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// File names on the display host's system do not care about case, and it adds .dll.
bool names_the_plugin(const std::string& name, const std::string& plugin_name) {
    const std::string wanted = lower_case(plugin_name);
    const std::string given = lower_case(name);
    return given == wanted || given == wanted + ".dll" || given == wanted + ".so";
}

// 0 to 20; -1 for anything else.
int function_number(const std::string& text) {
    if (text.empty() || text.size() > 2 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    const int number = std::stoi(text);
    return number <= max_function_number ? number : -1;
}

screen_part problem(const std::string& text) {
    return screen_part{0, "[Dll: " + text + "]", "", ""};
}

}  // namespace

std::string missing_function_text(int function) {
    return "[Dll: no function" + std::to_string(function) + "]";
}

size_t read_dll_macro(const std::string& line, size_t pos, const std::string& plugin_name,
                      screen_part& part) {
    const size_t inside = pos + opening.size();
    const size_t close = line.find(')', inside);
    if (close == std::string::npos) {
        part = problem("$dll( without its closing bracket");
        return line.size();
    }
    const auto arguments = split_arguments(line.substr(inside, close - inside));
    if (arguments.size() != 4) {
        part = problem("$dll( takes 4 arguments (name,number,param1,param2), not " +
                       std::to_string(arguments.size()));
    } else if (!names_the_plugin(arguments[0], plugin_name)) {
        part = problem("cannot load the plug-in " + arguments[0]);
    } else {
        const int number = function_number(arguments[1]);
        if (number < 0)
            part = problem("function " + arguments[1] + " is not 0 to " +
                           std::to_string(max_function_number));
        else
            part = screen_part{number == 0 ? 10 : number, "", arguments[2], arguments[3]};
    }
    return close + 1;
}

}  // namespace lcd
