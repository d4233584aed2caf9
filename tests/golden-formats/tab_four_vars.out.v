module f(input wire a, input wire b, input wire c, input wire d, output wire f);
  assign f = (~b & ~c) | (c & ~d) | (~a & b & d);
endmodule
