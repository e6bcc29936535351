#include "pjlink/requests.h"

#include <memory>

namespace r7k::pjlink {
namespace {

using namespace session;

bool failed(const QueryAnswer& a) {
    return !a.value;
}

}  // namespace

void Requests::carryOut(const Request& request, std::function<void(const Answered&)> done) {
    const Found found = find(request);
    if (request.overLong)
        return done({std::string(kOutOfParameter), {}, nullptr});
    if (!found.row)
        return done({std::string(found.error), {}, nullptr});
    const Row& row = *found.row;
    switch (row.does) {
        case Does::Identity:
            return done({identityAnswer(row, m_identity), {}, &row});
        case Does::Ask:
            return ask(row, std::move(done));
        case Does::Tell:
            return tell(row, std::move(done));
    }
}

void Requests::ask(const Row& row, std::function<void(const Answered&)> done) {
    // The queries go out together; the answer is made once every one is in.
    struct Gathering {
        std::array<QueryAnswer, 2> answers;
        int missing = 0;
    };
    auto gathering = std::make_shared<Gathering>();
    gathering->missing = row.askCount;
    for (std::size_t i = 0; i < row.askCount; ++i) {
        m_projector.query(
            row.asks[i], m_maxAge, Priority::Request,
            [gathering, i, &row, done](const QueryAnswer& a) {
                gathering->answers[i] = a;
                if (--gathering->missing > 0)
                    return;
                const auto& answers = gathering->answers;
                for (std::size_t k = 0; k < row.askCount; ++k) {
                    if (!failed(answers[k]))
                        continue;
                    // An input the projector cannot tell now is no failure.
                    if (row.reading == Reading::Input && answers[k].outcome == Outcome::Unexpected)
                        return done({std::string(kUnavailable), {}, &row});
                    return done({std::string(kProjectorFailure), answers[k].failure, &row});
                }
                done({readingAnswer(row.reading, answers[0].value, answers[1].value), {}, &row});
            });
    }
}

void Requests::tell(const Row& row, std::function<void(const Answered&)> done) {
    m_projector.query(Query::Status, m_maxAge, Priority::Request,
                      [this, &row, done = std::move(done)](const QueryAnswer& a) {
                          if (failed(a))
                              return done({std::string(kProjectorFailure), a.failure, &row});
                          const std::uint8_t state =
                              powerBit(std::get<PowerStatus>(*a.value).power);
                          if (row.already & state)
                              return done({std::string(kOk), {}, &row});
                          if (!(row.sends & state))
                              return done({std::string(kUnavailable), {}, &row});
                          send(row, 0, done);
                      });
}

void Requests::send(const Row& row, std::size_t index, std::function<void(const Answered&)> done) {
    if (index == row.tellCount)
        return done({std::string(kOk), {}, &row});
    m_projector.command(
        row.tells[index], Priority::Request,
        [this, &row, index, done = std::move(done)](const ExchangeResult& r) {
            if (r.outcome != Outcome::Ack) {
                return done({std::string(kProjectorFailure),
                             std::string(row.tells[index].name) + ": " + r.failure, &row});
            }
            send(row, index + 1, done);
        });
}

}  // namespace r7k::pjlink
