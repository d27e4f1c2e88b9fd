#include "tools/xm/XmWriter.h"

#include <fstream>
#include <stdexcept>

namespace xm {
namespace {

class ByteWriter {
 public:
  void u8(unsigned v) { bytes.push_back(static_cast<std::uint8_t>(v)); }
  void u16(unsigned v) {
    u8(v & 0xFF);
    u8((v >> 8) & 0xFF);
  }
  void u32(std::uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  }
  // A fixed-width text field, cut or padded with zero bytes.
  void text(const std::string& s, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) u8(i < s.size() ? static_cast<unsigned char>(s[i]) : 0);
  }
  void zeros(std::size_t n) { bytes.insert(bytes.end(), n, 0); }
  void patchU16(std::size_t at, unsigned v) {
    bytes[at] = static_cast<std::uint8_t>(v & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
  }
  std::size_t size() const { return bytes.size(); }

  std::vector<std::uint8_t> bytes;
};

void require(bool ok, const char* what) {
  if (!ok) throw std::invalid_argument(std::string("xm: ") + what);
}

void checkEnvelope(const Envelope& e) {
  require(e.points.size() <= 12, "an envelope has more than 12 points");
  if (!e.enabled) return;
  require(!e.points.empty(), "an enabled envelope has no points");
  require(e.points.front().first == 0, "an envelope does not start at tick 0");
  for (std::size_t i = 0; i < e.points.size(); ++i) {
    require(e.points[i].second <= 64, "an envelope value is above 64");
    if (i > 0) require(e.points[i].first > e.points[i - 1].first, "envelope ticks do not increase");
  }
  const int n = static_cast<int>(e.points.size());
  require(e.sustainPoint < n, "an envelope sustain point is out of range");
  require((e.loopStart < 0) == (e.loopEnd < 0), "an envelope loop needs both ends");
  require(e.loopStart <= e.loopEnd && e.loopEnd < n, "an envelope loop is out of range");
}

void checkModule(const XmModule& m) {
  require(m.channels >= 1 && m.channels <= 32, "channels must be 1..32");
  require(m.speed >= 1 && m.speed <= 31, "speed must be 1..31");
  require(m.bpm >= 32 && m.bpm <= 255, "bpm must be 32..255");
  require(!m.orders.empty() && m.orders.size() <= 256, "the order table needs 1..256 entries");
  require(!m.patterns.empty() && m.patterns.size() <= 256, "a module needs 1..256 patterns");
  require(m.instruments.size() <= 128, "a module has at most 128 instruments");
  require(m.restartPosition >= 0 && m.restartPosition < static_cast<int>(m.orders.size()),
          "the restart position is outside the order table");
  for (std::uint8_t o : m.orders) require(o < m.patterns.size(), "an order names a missing pattern");
  for (const Pattern& p : m.patterns) {
    require(!p.rows.empty() && p.rows.size() <= 256, "a pattern needs 1..256 rows");
    for (const auto& row : p.rows) {
      require(row.size() == static_cast<std::size_t>(m.channels), "a row has not one cell per channel");
      for (const Cell& c : row) {
        require(c.note <= NOTE_OFF, "a note is above 97");
        require(c.instrument <= m.instruments.size(), "a cell names a missing instrument");
        require(c.effect <= EFFECT_Z, "an effect is above 35");
      }
    }
  }
  for (const Instrument& ins : m.instruments) {
    require(ins.samples.size() <= 16, "an instrument has more than 16 samples");
    for (std::uint8_t k : ins.keymap) require(ins.samples.empty() || k < ins.samples.size(), "a keymap names a missing sample");
    checkEnvelope(ins.volumeEnvelope);
    checkEnvelope(ins.panningEnvelope);
    for (const Sample& s : ins.samples) {
      require(s.volume <= 64, "a sample volume is above 64");
      if (!s.sixteenBit)
        for (std::int16_t v : s.pcm) require(v >= -128 && v <= 127, "an 8-bit sample value is out of range");
      if (s.loop != Loop::None) {
        require(s.loopLength > 0, "a loop is empty");
        require(s.loopStart <= s.pcm.size() && s.loopLength <= s.pcm.size() - s.loopStart,
                "a loop reaches beyond its sample");
      }
      require(s.pcm.size() <= 0x3FFFFFFF, "a sample is too long");
    }
  }
}

// Packs one cell: a leading byte with bit 7 set tells which of the five fields follow, so empty
// fields cost nothing; a full cell is stored as its five bytes without the leading byte.
void packCell(ByteWriter& out, const Cell& c) {
  const unsigned fields = (c.note ? 1u : 0u) | (c.instrument ? 2u : 0u) | (c.volume ? 4u : 0u) |
                          (c.effect ? 8u : 0u) | (c.param ? 16u : 0u);
  if (fields == 31) {
    out.u8(c.note);
    out.u8(c.instrument);
    out.u8(c.volume);
    out.u8(c.effect);
    out.u8(c.param);
    return;
  }
  out.u8(0x80 | fields);
  if (fields & 1) out.u8(c.note);
  if (fields & 2) out.u8(c.instrument);
  if (fields & 4) out.u8(c.volume);
  if (fields & 8) out.u8(c.effect);
  if (fields & 16) out.u8(c.param);
}

void writePattern(ByteWriter& out, const Pattern& p) {
  out.u32(9);  // pattern header length
  out.u8(0);   // packing type
  out.u16(static_cast<unsigned>(p.rows.size()));
  const std::size_t sizeAt = out.size();
  out.u16(0);
  const std::size_t start = out.size();
  for (const auto& row : p.rows)
    for (const Cell& c : row) packCell(out, c);
  const std::size_t packed = out.size() - start;
  require(packed <= 0xFFFF, "a pattern packs to more than 65535 bytes");
  out.patchU16(sizeAt, static_cast<unsigned>(packed));
}

void writeEnvelopePoints(ByteWriter& out, const Envelope& e) {
  for (std::size_t i = 0; i < 12; ++i) {
    if (i < e.points.size()) {
      out.u16(e.points[i].first);
      out.u16(e.points[i].second);
    } else {
      out.u32(0);
    }
  }
}

unsigned envelopeType(const Envelope& e) {
  if (!e.enabled) return 0;
  return 1u | (e.sustainPoint >= 0 ? 2u : 0u) | (e.loopStart >= 0 ? 4u : 0u);
}

void writeInstrument(ByteWriter& out, const Instrument& ins) {
  if (ins.samples.empty()) {
    out.u32(29);
    out.text(ins.name, 22);
    out.u8(0);
    out.u16(0);
    return;
  }
  // FastTracker II writes 263 bytes of instrument header; the tail after the fadeout is reserved.
  const std::size_t start = out.size();
  out.u32(263);
  out.text(ins.name, 22);
  out.u8(0);
  out.u16(static_cast<unsigned>(ins.samples.size()));
  out.u32(40);  // sample header size
  for (std::uint8_t k : ins.keymap) out.u8(k);
  writeEnvelopePoints(out, ins.volumeEnvelope);
  writeEnvelopePoints(out, ins.panningEnvelope);
  const auto& v = ins.volumeEnvelope;
  const auto& p = ins.panningEnvelope;
  out.u8(static_cast<unsigned>(v.points.size()));
  out.u8(static_cast<unsigned>(p.points.size()));
  out.u8(v.sustainPoint < 0 ? 0 : static_cast<unsigned>(v.sustainPoint));
  out.u8(v.loopStart < 0 ? 0 : static_cast<unsigned>(v.loopStart));
  out.u8(v.loopEnd < 0 ? 0 : static_cast<unsigned>(v.loopEnd));
  out.u8(p.sustainPoint < 0 ? 0 : static_cast<unsigned>(p.sustainPoint));
  out.u8(p.loopStart < 0 ? 0 : static_cast<unsigned>(p.loopStart));
  out.u8(p.loopEnd < 0 ? 0 : static_cast<unsigned>(p.loopEnd));
  out.u8(envelopeType(v));
  out.u8(envelopeType(p));
  out.u8(ins.vibratoType);
  out.u8(ins.vibratoSweep);
  out.u8(ins.vibratoDepth);
  out.u8(ins.vibratoRate);
  out.u16(ins.fadeout);
  out.zeros(263 - (out.size() - start));

  for (const Sample& s : ins.samples) {
    const std::uint32_t bytesPerFrame = s.sixteenBit ? 2 : 1;
    out.u32(static_cast<std::uint32_t>(s.pcm.size()) * bytesPerFrame);
    out.u32(s.loop == Loop::None ? 0 : s.loopStart * bytesPerFrame);
    out.u32(s.loop == Loop::None ? 0 : s.loopLength * bytesPerFrame);
    out.u8(s.volume);
    out.u8(static_cast<std::uint8_t>(s.finetune));
    out.u8(static_cast<unsigned>(s.loop) | (s.sixteenBit ? 0x10u : 0u));
    out.u8(s.panning);
    out.u8(static_cast<std::uint8_t>(s.relativeNote));
    out.u8(0);
    out.text(s.name, 22);
  }
  // Sample data follows all headers, each sample stored as differences from the previous value.
  for (const Sample& s : ins.samples) {
    std::int16_t previous = 0;
    for (std::int16_t value : s.pcm) {
      const auto delta = static_cast<std::uint16_t>(static_cast<std::uint16_t>(value) - static_cast<std::uint16_t>(previous));
      if (s.sixteenBit)
        out.u16(delta);
      else
        out.u8(delta & 0xFF);
      previous = value;
    }
  }
}

}  // namespace

std::vector<std::uint8_t> writeXm(const XmModule& m) {
  checkModule(m);
  ByteWriter out;
  out.text("Extended Module: ", 17);
  out.text(m.name, 20);
  out.u8(0x1A);
  out.text(m.trackerName, 20);
  out.u16(0x0104);
  out.u32(276);  // header size, counted from this field: 20 bytes of fields and the 256-byte order table
  out.u16(static_cast<unsigned>(m.orders.size()));
  out.u16(static_cast<unsigned>(m.restartPosition));
  out.u16(static_cast<unsigned>(m.channels));
  out.u16(static_cast<unsigned>(m.patterns.size()));
  out.u16(static_cast<unsigned>(m.instruments.size()));
  out.u16(m.linearFrequencies ? 1 : 0);
  out.u16(static_cast<unsigned>(m.speed));
  out.u16(static_cast<unsigned>(m.bpm));
  for (std::size_t i = 0; i < 256; ++i) out.u8(i < m.orders.size() ? m.orders[i] : 0);
  for (const Pattern& p : m.patterns) writePattern(out, p);
  for (const Instrument& ins : m.instruments) writeInstrument(out, ins);
  return std::move(out.bytes);
}

bool saveXm(const std::string& path, const XmModule& module) {
  const std::vector<std::uint8_t> bytes = writeXm(module);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

}  // namespace xm
