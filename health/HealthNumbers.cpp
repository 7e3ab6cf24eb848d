#include "health/HealthNumbers.h"

#include "text/TextCatalog.h"

namespace carecfg {

int CatalogHealthNumbers::Integer(std::string_view key) const {
    return m_catalog.MessageInteger(key);
}

double CatalogHealthNumbers::Number(std::string_view key) const {
    return m_catalog.MessageNumber(key);
}

int HealthNumberTable::Integer(std::string_view key) const {
    const auto found = integers.find(key);
    return found == integers.end() ? 0 : found->second;
}

double HealthNumberTable::Number(std::string_view key) const {
    const auto found = numbers.find(key);
    return found == numbers.end() ? 0.0 : found->second;
}

}  // namespace carecfg
