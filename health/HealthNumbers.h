#pragma once

#include <map>
#include <string>
#include <string_view>

namespace carecfg {

class TextCatalog;

// Where the health charts take their configured numbers from ("MZZB", "MF" and the fixed
// value ranges): the catalogue in the window and the command line, a table in tests.
class HealthNumbers {
public:
    virtual ~HealthNumbers() = default;
    // A whole number; 0 when the key is absent.
    virtual int Integer(std::string_view key) const = 0;
    // A real number; 0 when the key is absent.
    virtual double Number(std::string_view key) const = 0;
};

// The numbers of section MESSAGE of skin.ini.
class CatalogHealthNumbers : public HealthNumbers {
public:
    explicit CatalogHealthNumbers(const TextCatalog& catalog) : m_catalog(catalog) {}
    int Integer(std::string_view key) const override;
    double Number(std::string_view key) const override;

private:
    const TextCatalog& m_catalog;
};

// Numbers given in code, for tests, benchmarks and fuzzing.
class HealthNumberTable : public HealthNumbers {
public:
    std::map<std::string, int, std::less<>> integers;
    std::map<std::string, double, std::less<>> numbers;

    int Integer(std::string_view key) const override;
    double Number(std::string_view key) const override;
};

}  // namespace carecfg
