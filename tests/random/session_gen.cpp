#include "random/session_gen.h"

#include <ostream>

namespace vrkt::testing {

namespace {

using rc::Gen;
namespace gen = rc::gen;

// Weighted choices that shrink towards the first (the plainest) one; RapidCheck's own element
// generators do not shrink at all.
template <class T>
Gen<T> Weighted(std::vector<std::pair<int, T>> choices) {
  int total = 0;
  for (const auto& c : choices) total += c.first;
  return gen::map(gen::inRange(0, total), [choices](int x) {
    for (const auto& [weight, value] : choices) {
      if (x < weight) return value;
      x -= weight;
    }
    return choices.back().second;
  });
}

template <class T>
Gen<T> Choice(std::vector<T> items) {
  return gen::map(gen::inRange<size_t>(0, items.size()), [items](size_t i) { return items[i]; });
}

Gen<std::string> Texts(std::vector<std::string> items) { return Choice(std::move(items)); }

Gen<std::string> Chars(Gen<char> one) { return gen::container<std::string>(one); }

Gen<char> AnyByte() {
  return gen::map(gen::inRange(0, 256), [](int b) { return static_cast<char>(b); });
}

// Text typed into a number field: mostly dial strings, sometimes what a slip of the hand gives.
Gen<std::string> FieldText() {
  return gen::weightedOneOf<std::string>(
      {{4, Texts({"+420602555101", "112", "0123456789", "*31#", "", "00", "7"})},
       {3, Chars(gen::elementOf(std::string("0123456789+*#")))},
       {1, Chars(gen::elementOf(std::string("0123456789 ;,\"=aZ+\t")))},
       {1, Chars(AnyByte())}});
}

// Names for grid rows: ordinary ones, ones the SIM cannot take, and reserved ones.
Gen<std::string> RowName() {
  return gen::weightedOneOf<std::string>(
      {{4, Texts({"Anna", "Jan Novak", "Caretaker", "", "ANNA"})},
       {2, Texts({"MASTER1", "TEST3", "TINPUTS", "VOLTAGE", "PORTOPEN2",
                                     "PARVRKT", "paramrl1"})},
       {2, Texts({"a;b", "x,y", "q\"q", "A name far too long", "k=v",
                                     " lead", "\xC8\x65\x72ven\xFD"})},
       {1, Chars(AnyByte())}});
}

Gen<std::string> RowPhone() {
  return gen::weightedOneOf<std::string>(
      {{4, Texts({"+420777555410", "123", "0123456789", ""})},
       {1, Texts({"12a", "1;+CPBW=9", "99999999999999999999999999999999999999999"})},
       {1, Chars(AnyByte())}});
}

Gen<Step> Make(Act act, Gen<int> a = gen::just(0), Gen<int> b = gen::just(0),
               Gen<std::string> text = gen::just(std::string())) {
  return gen::map(gen::tuple(a, b, text), [act](const std::tuple<int, int, std::string>& t) {
    return Step{act, std::get<0>(t), std::get<1>(t), std::get<2>(t)};
  });
}

Gen<int> Index(size_t n) { return gen::inRange(0, static_cast<int>(n)); }

}  // namespace

Gen<UnitSpec> GenUnit() {
  return gen::build<UnitSpec>(
      gen::set(&UnitSpec::program, Weighted<int>({{6, 0}, {3, 1}, {1, 2}})),
      gen::set(&UnitSpec::module_framing, gen::arbitrary<bool>()),
      gen::set(&UnitSpec::echo, gen::arbitrary<bool>()),
      gen::set(&UnitSpec::capacity,
               Weighted<int>({{6, 40}, {3, 20}, {1, 11}, {1, 10}, {2, 60}, {1, 250}})),
      gen::set(&UnitSpec::name_length, Weighted<int>({{4, 16}, {1, 14}, {1, 6}})),
      gen::set(&UnitSpec::range_without_parens, Weighted<bool>({{6, false}, {1, true}})),
      gen::set(&UnitSpec::listing_ends_in_error, Weighted<bool>({{5, false}, {1, true}})),
      gen::set(&UnitSpec::plain_errors, Weighted<bool>({{4, false}, {1, true}})),
      gen::set(&UnitSpec::prefill, Weighted<bool>({{6, true}, {1, false}})),
      gen::set(&UnitSpec::pin_enabled, Weighted<bool>({{4, false}, {1, true}})),
      gen::set(&UnitSpec::seed, gen::inRange<uint32_t>(1, 100000)));
}

Gen<Step> GenStep() {
  const Gen<int> wait = gen::weightedElement<int>(
      {{3, 200}, {4, 1000}, {4, 3000}, {4, 6000}, {3, 15000}, {2, 40000}, {1, 260000}});
  return gen::weightedOneOf<Step>({
      {20, Make(Act::kWait, wait)},
      {8, Make(Act::kStop)},
      {3, Make(Act::kRun)},
      {5, Make(Act::kLoadUnit)},
      {6, Make(Act::kSaveUnit)},
      {1, Make(Act::kSignal)},
      {6, Make(Act::kEdit, Index(EditFields().size()), gen::just(0), FieldText())},
      {4, Make(Act::kPick, Index(PickLists().size()), gen::inRange(0, 16))},
      {2, Make(Act::kCheck, Index(CheckFields().size()))},
      {2, Make(Act::kRelay, Index(RelayButtons().size()))},
      {1, Make(Act::kSlide, gen::inRange(0, 2), gen::inRange(0, 7))},
      {2, Make(Act::kGridSelect, gen::inRange(0, 12))},
      {2, Make(Act::kGridInsert)},
      {2, Make(Act::kGridDelete)},
      {1, Make(Act::kGridAppend)},
      {3, Make(Act::kGridName, gen::inRange(0, 12), gen::just(0), RowName())},
      {3, Make(Act::kGridPhone, gen::inRange(0, 12), gen::just(0), RowPhone())},
      {3, Make(Act::kPcSave)},
      {3, Make(Act::kPcLoad, gen::inRange(0, 6))},
      {2, Make(Act::kPin, gen::inRange(0, 2), gen::just(0),
               Texts({kSimPin, "0000", "12", "", "9999"}))},
      {2, Make(Act::kLoaderRun, Index(kLoaderLists))},
      {1, Make(Act::kLoaderCancel)},
      {2, Make(Act::kLatency, Choice<int>({0, 300, 1500, 4000, 6000}))},
      {1, Make(Act::kListingSpeed, Choice<int>({0, 1, 3}))},
      {1, Make(Act::kNoise, Choice<int>({0, 5, 20, 80}))},
      {1, Make(Act::kSilentAfter, gen::inRange(0, 30))},
      {2, Make(Act::kErrorOn, Index(ErrorTargets().size()))},
      {1, Make(Act::kCtsLost, gen::inRange(0, 400))},
      {2, Make(Act::kHeal)},
  });
}

Gen<Session> GenSession(int max_steps) {
  // Most technicians begin by stopping the unit and letting the window read it; the steps are
  // part of the session, so a failure that does not need them shrinks them away.
  const Gen<std::vector<Step>> opening = Weighted<std::vector<Step>>(
      {{1, {}}, {3, {Step{Act::kStop}, Step{Act::kWait, 8000}}}});
  const Gen<std::vector<Step>> rest =
      gen::scale(max_steps / 100.0, gen::container<std::vector<Step>>(GenStep()));
  return gen::build<Session>(
      gen::set(&Session::unit, GenUnit()),
      gen::set(&Session::steps,
               gen::map(gen::pair(opening, rest), [](std::pair<std::vector<Step>, std::vector<Step>> p) {
                 p.first.insert(p.first.end(), p.second.begin(), p.second.end());
                 return p.first;
               })));
}

void showValue(const Session& session, std::ostream& os) { os << AsCode(session); }

}  // namespace vrkt::testing
