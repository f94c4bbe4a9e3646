#include "protocol/device_record.h"

namespace scanvale {

namespace {

template <typename Fn>
auto WithField(tComUnitInfo& r, Field f, Fn&& fn) {
  switch (f) {
    case Field::model: return fn(r.model);
    case Field::proj: return fn(r.proj);
    case Field::name: return fn(r.name);
    case Field::ip: return fn(r.ip);
    case Field::trigger_port: return fn(r.trigger_port);
    case Field::netmask: return fn(r.netmask);
    case Field::gateway: return fn(r.gateway);
    case Field::dns: return fn(r.dns);
    case Field::mac: return fn(r.mac);
    case Field::dev: return fn(r.dev);
    case Field::note: return fn(r.note);
    case Field::idpw: return fn(r.idpw);
    case Field::vendor: break;
  }
  return fn(r.vendor);
}

}  // namespace

const char* FieldName(Field field) {
  static constexpr const char* kNames[kFieldCount] = {
      "model", "proj", "name", "ip", "trigger_port", "netmask", "gateway",
      "dns", "mac", "dev", "note", "idpw", "vendor"};
  return kNames[static_cast<std::size_t>(field)];
}

std::string_view GetField(const tComUnitInfo& record, Field field) {
  return WithField(const_cast<tComUnitInfo&>(record), field,
                   [](auto& f) { return FieldText(f); });
}

void SetFieldByIndex(tComUnitInfo& record, Field field, std::string_view value) {
  WithField(record, field, [&](auto& f) { SetField(f, value); });
}

std::size_t FieldWidth(Field field) {
  tComUnitInfo probe;
  return WithField(probe, field, [](auto& f) { return sizeof f; });
}

tComUnitInfo MakeRecord(std::initializer_list<std::pair<Field, std::string_view>> values) {
  tComUnitInfo record;
  ClearRecord(record);
  for (const auto& [field, value] : values) SetFieldByIndex(record, field, value);
  return record;
}

}  // namespace scanvale
