namespace zel::sim {}
