module f(input wire a, input wire b, input wire c, input wire d, output wire f);
  assign f = (~a & ~c & d) | (a & b & ~d) | (~a & ~b & ~d) | (a & ~b & c);
endmodule
