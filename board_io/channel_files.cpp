#include "board_io/channel_files.h"

#include <optional>

#include "board_io/value_file.h"

namespace board_io {

std::variant<ChannelValues, FileFault> ReadChannels(const ChannelFiles& files,
                                                    FaultTeller& teller) {
  ChannelValues values{};
  std::optional<FileFault> first_fault;
  for (std::size_t channel = 0; channel < files.size(); ++channel) {
    const auto read = ReadChannel(files[channel]);
    const auto* fault = std::get_if<FileFault>(&read);
    teller.Heard(files[channel], fault);
    if (fault == nullptr) {
      values[channel] = std::get<std::uint32_t>(read);
    } else if (!first_fault) {
      first_fault = *fault;
    }
  }
  if (first_fault) return *first_fault;
  return values;
}

}  // namespace board_io
