// group_unit.h - the spans a table of groups sums by, and their names.
#pragma once

#include <optional>
#include <string_view>

enum class GroupUnit { hour, day, week, month, year, line };

// Every unit with its name, in the order the help lists them.
struct UnitName {
    std::string_view name;
    GroupUnit unit;
};
inline constexpr UnitName unit_names[] = {{"hour", GroupUnit::hour},   {"day", GroupUnit::day},
                                          {"week", GroupUnit::week},   {"month", GroupUnit::month},
                                          {"year", GroupUnit::year},   {"line", GroupUnit::line}};

// The name of a unit, "hour" to "line", and the unit of a name.
constexpr std::string_view unit_name(GroupUnit unit)
{
    for (const UnitName& u : unit_names)
        if (u.unit == unit)
            return u.name;
    return {};
}

constexpr std::optional<GroupUnit> unit_named(std::string_view name)
{
    for (const UnitName& u : unit_names)
        if (u.name == name)
            return u.unit;
    return std::nullopt;
}
