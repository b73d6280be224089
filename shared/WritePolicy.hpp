// The last check before a fan target reaches the hardware. The app vets a
// target before sending it and the daemon vets it again before writing, so
// neither trusts the other's arithmetic. Accepting allocates nothing; only a
// refusal builds its reason text.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace zephrane {

class WritePolicy {
public:
    WritePolicy() = delete;

    class Verdict {
    public:
        struct Apply {
            double rpm;  // the value to write
            friend bool operator==(const Apply&, const Apply&) = default;
        };
        struct Reject {
            std::string reason;  // why nothing may be written
            friend bool operator==(const Reject&, const Reject&) = default;
        };

        static Verdict apply(double rpm) noexcept { return Verdict{Apply{rpm}}; }
        static Verdict reject(std::string reason) noexcept { return Verdict{Reject{std::move(reason)}}; }

        // Exactly one of these is non-null.
        const Apply* applied() const noexcept { return std::get_if<Apply>(&case_); }
        const Reject* rejected() const noexcept { return std::get_if<Reject>(&case_); }

        friend bool operator==(const Verdict&, const Verdict&) = default;

    private:
        // Each case is built in place; no variant is ever moved on the way.
        explicit Verdict(Apply a) noexcept : case_(std::in_place_type<Apply>, a) {}
        explicit Verdict(Reject r) noexcept : case_(std::in_place_type<Reject>, std::move(r)) {}
        std::variant<Apply, Reject> case_;
    };

    // Refuses a requested speed that is not finite or is negative (-0.0
    // counts as 0), then hardware bounds that are not finite, have a maximum
    // of 0 or below, or are out of order; otherwise accepts the request moved
    // into the bounds.
    static Verdict vet(double requestedRPM, double hardwareMin, double hardwareMax);
};

}  // namespace zephrane
