// The one-pole smoother of every stage: state += (target - state) x radiansPerSample
// x rate, computed in double and stored as the float the state is. The product is
// taken in the order each stage was designed with; in double arithmetic another
// order may round differently, so each form names its order.
#pragma once

namespace onePole {

// ((target - state) x radiansPerSample) x rate; returns the new state.
inline float smooth(float& state, double target, double radiansPerSample, double rate)
{
    state = static_cast<float>(state + ((target - state) * radiansPerSample) * rate);
    return state;
}

// ((target - state) x rate) x radiansPerSample: the split filter's order.
inline float smoothRateFirst(float& state, double target, double rate, double radiansPerSample)
{
    state = static_cast<float>(state + ((target - state) * rate) * radiansPerSample);
    return state;
}

// (target - state) x coefficient, with the coefficient computed once beforehand.
inline float smoothBy(float& state, double target, double coefficient)
{
    state = static_cast<float>(state + (target - state) * coefficient);
    return state;
}

} // namespace onePole
